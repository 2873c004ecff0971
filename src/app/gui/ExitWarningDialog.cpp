#include "app/gui/ExitWarningDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/gui/DialogUnits.h"

namespace pv::gui {

ExitWarningDialog::ExitWarningDialog(QWidget* parent) : QDialog(parent), m_password(new QLineEdit(this)) {
    setObjectName("exitWarning");
    setWindowTitle("Warning!");
    const DialogUnits du(fontMetrics());
    setFixedSize(du.Size(186, 95));
    const char* lines[] = {"Warning:", "This program is designed to operate 24 hours a day.",
                           "If you exit, you will be unable to receive content from other stations."};
    int y = 7;
    for (const char* line : lines) {
        auto* label = new QLabel(line, this);
        label->setGeometry(du.Rect(7, y, 172, 9));
        label->setWordWrap(true);
        y += line == lines[2] ? 18 : 10;
    }
    auto* prompt = new QLabel("Password:", this);
    du.Place(*prompt, 7, y + 3, 40, 8);
    m_password->setObjectName("password");
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setGeometry(du.Rect(50, y + 1, 80, 12));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setGeometry(du.Rect(7, 74, 172, 14));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_password->setFocus();
}

std::string ExitWarningDialog::Typed() const { return m_password->text().toStdString(); }

std::optional<std::string> WindowExitWarning::Ask() {
    ExitWarningDialog dialog(&m_window);
    m_open = &dialog;
    const bool ok = dialog.exec() == QDialog::Accepted;
    m_open = nullptr;
    if (!ok) return std::nullopt;
    return dialog.Typed();
}

void WindowExitWarning::Dismiss() {
    if (m_open) m_open->reject();
}

}  // namespace pv::gui
