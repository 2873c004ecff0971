#include "app/gui/SplashDialog.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "app/gui/DialogUnits.h"

namespace pv::gui {

SplashDialog::SplashDialog(const QString& product, const QString& version)
    : QDialog(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("splash");
    setFixedSize(DialogUnits(fontMetrics()).Size(244, 153));
    auto* layout = new QVBoxLayout(this);
    for (const QString& text : {product, version}) {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    auto* notices = new QLabel(
        "An unattended relay, audio conversion and web publishing service for the newsroom.\n\n"
        "It runs around the clock: leave it running to keep receiving content from other stations.",
        this);
    notices->setWordWrap(true);
    layout->addWidget(notices, 1);
    QTimer::singleShot(kShownMilliseconds, this, &QDialog::accept);
}

}  // namespace pv::gui
