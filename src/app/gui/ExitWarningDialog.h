#pragma once
// The exit warning ("Warning!"): three lines of warning, a masked password
// field and OK / Cancel.  Made afresh for every close request.
#include <QDialog>
#include <QPointer>
#include <optional>
#include <string>

#include "app/MainWindowController.h"

class QLineEdit;

namespace pv::gui {

class ExitWarningDialog final : public QDialog {
public:
    explicit ExitWarningDialog(QWidget* parent);
    std::string Typed() const;

private:
    QLineEdit* m_password;
};

// Asks through an ExitWarningDialog over the main window.
class WindowExitWarning final : public ExitWarning {
public:
    explicit WindowExitWarning(QWidget& window) : m_window(window) {}
    std::optional<std::string> Ask() override;
    // The window is ending: an open warning goes without an answer.
    void Dismiss();

private:
    QWidget& m_window;
    QPointer<ExitWarningDialog> m_open;
};

}  // namespace pv::gui
