#pragma once
// The splash window shown before the main window (unless "EasyExit"): the
// product name and version at the top, notices below; it closes itself
// after five seconds.
#include <QDialog>

namespace pv::gui {

class SplashDialog final : public QDialog {
public:
    static constexpr int kShownMilliseconds = 5000;

    SplashDialog(const QString& product, const QString& version);
};

}  // namespace pv::gui
