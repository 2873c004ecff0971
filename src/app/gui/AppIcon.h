#pragma once
// The application icon: the window's, the about box's and the tray's.
#include <QIcon>

namespace pv::gui {

QIcon ApplicationIcon();

}  // namespace pv::gui
