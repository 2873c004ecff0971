#pragma once
// The files that old page content linked to, as a fill drops that content
// (a replaced region rebuilt, an ordered-list entry let go).  They are only
// noted while the page is written, and removed once the new page is in
// place: if the fill or the swap fails, the old page is still there and
// everything it links to with it.
#include <string>
#include <utility>
#include <vector>

#include "publish/TemplateBlocks.h"

namespace pv {

class DeferredPurges final : public LinkedFilePurger {
public:
    struct Purge {
        std::string name;  // as the page wrote it, relative to the storage folder
        int depth = 0;
    };

    void PurgeLinkedFile(TemplateFill&, const std::string& name, int depth) override {
        m_pending.push_back({name, depth});
    }

    // What was noted since the last call, in the order noted.
    std::vector<Purge> Take() { return std::exchange(m_pending, {}); }
    void Forget() { m_pending.clear(); }

private:
    std::vector<Purge> m_pending;
};

}  // namespace pv
