#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include "app/gui/AboutDialog.h"
#include "app/gui/ExitWarningDialog.h"
#include "app/gui/SplashDialog.h"
#include "notify/TimeStamp.h"
#include "platform/Clock.h"

namespace pv::gui {
namespace {

QStringList Labels(const QWidget& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts << label->text();
    return texts;
}

TEST(SmallDialogs, TheExitWarningWarnsAndMasksWhatIsTyped) {
    ExitWarningDialog warning(nullptr);
    EXPECT_EQ(warning.windowTitle(), "Warning!");
    EXPECT_EQ(Labels(warning), (QStringList{"Warning:", "This program is designed to operate 24 hours a day.",
                                            "If you exit, you will be unable to receive content from other stations.",
                                            "Password:"}));
    QLineEdit* password = warning.findChild<QLineEdit*>("password");
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(password->text().isEmpty());
    password->setText("VaNe");
    EXPECT_EQ(warning.Typed(), "VaNe");
}

TEST(SmallDialogs, TheAboutBoxNamesTheProductAndWhenItStarted) {
    const std::time_t started = platform::Clock::MakeLocalTime(2026, 12, 9, 14, 37, 5);
    AboutDialog about(nullptr, started);
    EXPECT_EQ(about.windowTitle(), "About Fernwick");
    const QStringList labels = Labels(about);
    EXPECT_TRUE(labels.contains("Fernwick"));
    EXPECT_TRUE(labels.contains("Version 12.021"));
    EXPECT_TRUE(labels.contains("Started : 14:37:05 PM 12/09/26")) << labels.join("|").toStdString();
    EXPECT_TRUE(labels.contains("This program also takes messages from other systems and posts them to the Quillmark "
                                "WIRE BROWSER"));
}

TEST(SmallDialogs, TheSplashShowsProductAndVersionWithoutACaption) {
    SplashDialog splash("Fernwick", "Version 12.021");
    const QStringList labels = Labels(splash);
    ASSERT_GE(labels.size(), 3);
    EXPECT_EQ(labels[0], "Fernwick");
    EXPECT_EQ(labels[1], "Version 12.021");
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
}

}  // namespace
}  // namespace pv::gui
