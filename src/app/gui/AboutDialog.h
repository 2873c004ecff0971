#pragma once
// The about box ("About Fernwick"): icon, product, version, what the program
// is for, and when it started.
#include <QDialog>
#include <ctime>

namespace pv::gui {

class AboutDialog final : public QDialog {
public:
    AboutDialog(QWidget* parent, std::time_t started);
};

}  // namespace pv::gui
