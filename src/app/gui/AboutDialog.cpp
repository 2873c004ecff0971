#include "app/gui/AboutDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/gui/AppIcon.h"
#include "notify/Product.h"
#include "notify/TimeStamp.h"

namespace pv::gui {

AboutDialog::AboutDialog(QWidget* parent, std::time_t started) : QDialog(parent) {
    setObjectName("aboutBox");
    setWindowTitle(QString("About ") + kProductName);
    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    layout->addWidget(icon);
    for (const std::string& text :
         {std::string(kProductName), std::string(kVersionText),
          std::string("This program is used for automatic FTP in/out relay routes and automated web publishing and "
                      "file conversion for Quillmark."),
          std::string("This program also takes messages from other systems and posts them to the Quillmark WIRE "
                      "BROWSER"),
          "Started : " + FormatLocalTime(started, "%H:%M:%S %p %m/%d/%y")}) {
        auto* label = new QLabel(QString::fromStdString(text), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace pv::gui
