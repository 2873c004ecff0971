#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/StatusFeed.h"
#include "app/gui/ExitWarningDialog.h"
#include "app/gui/PressvaneWindow.h"
#include "support/TempDir.h"

namespace pv::gui {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A working folder with one relay route and a file waiting in its input,
// the service started on it, and its window open.
class PressvaneWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work.Path() / "Pressvane");
        fs::create_directories(work.Path() / "in");
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\n[MoveFiles]\r\nIn0=" + work.Folder() +
                                 "in/\r\nOut0=" + work.Folder() + "out/\r\nScanTwice0=No\r\nProcessDatFiles0=No\r\n");
        test::WriteWholeFile(work / "in/bulletin.txt", "the news");
        fs::last_write_time(work / "in/bulletin.txt", fs::file_time_type::clock::now() - 1min);
        options.workingFolder = work.Folder();
        options.allowMultipleInstances = true;
        service = std::make_unique<CPressvaneDlg>(options, platform::DefaultClock());
        service->AddObserver(feed);
        service->OnInitDialog();
        window = std::make_unique<PressvaneWindow>(*service, feed, platform::DefaultClock(), false, nullptr);
        QObject::connect(window.get(), &QDialog::finished, [this](int result) { ended = result; });
        window->OnInitDialog();
        window->show();
    }
    void TearDown() override {
        if (ended < 0) service->RequestExit();
        service->JoinMonitor();
        window.reset();
        service.reset();
    }

    template <typename Widget>
    Widget& Find(const char* name) {
        Widget* widget = window->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }
    QString Text(const char* label) { return Find<QLabel>(label).text(); }
    QString Display() { return Find<QPlainTextEdit>("statusDisplay").toPlainText(); }
    bool PassShown() {
        return QTest::qWaitFor([this] { return Display().contains("Waiting."); }, 30000);
    }
    // Answers the exit warning the next close request opens: the text
    // typed into its password field, then OK.
    void AnswerNextExitWarning(const QString& typed) {
        auto* answer = new QTimer(window.get());
        QObject::connect(answer, &QTimer::timeout, [answer, typed] {
            auto* warning = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!warning || warning->objectName() != "exitWarning") return;
            answer->stop();
            answer->deleteLater();
            warning->findChild<QLineEdit*>("password")->setText(typed);
            warning->accept();
        });
        answer->start(20);
    }

    test::TempDir work;
    StartupOptions options;
    StatusFeed feed;
    std::unique_ptr<CPressvaneDlg> service;
    std::unique_ptr<PressvaneWindow> window;
    int ended = -1;
};

// The window shows a pass as the console would, keeps running through
// Escape, a pause and a wrong exit word, and ends cleanly once the exit
// word (typed in capitals) confirmed the exit and the monitor finished.
TEST_F(PressvaneWindowTest, ShowsAPassAndEndsThroughTheExitWarning) {
    ASSERT_TRUE(PassShown()) << Display().toStdString();
    const QString folder = QString::fromStdString(work.Folder());
    EXPECT_EQ(window->windowTitle(), "Pressvane");
    EXPECT_EQ(Text("product"), "Fernwick (TM)");
    EXPECT_EQ(Text("version"), "Version 12.021");
    EXPECT_EQ(Text("runPath"), folder);
    EXPECT_TRUE(Text("startLine").startsWith("Last Started: ")) << Text("startLine").toStdString();
    EXPECT_EQ(Text("runningLine"), "Time Running: 0 Days 0 Hrs. 00 Min.");
    EXPECT_EQ(Text("connectionsLabel"), "Open FTP Connections:");
    EXPECT_EQ(Text("connections"), "0");
    EXPECT_EQ(Find<QCheckBox>("minimizeToTray").text(), "&Minimize to the System Tray");
    EXPECT_TRUE(Find<QCheckBox>("minimizeToTray").isChecked());
    const QString display = Display();
    for (const QString& line : {QString("Checking."), "Copying " + folder + "in/bulletin.txt FileSize: 8.",
                                "to " + folder + "out/bulletin.txt FileSize: 8.", QString("Success: Output FileSize: 8."),
                                QString("Waiting. Version 12.021")})
        EXPECT_TRUE(display.contains(line)) << line.toStdString() << "\n" << display.toStdString();
    EXPECT_FALSE(display.contains('\r'));

    const QString shot = QDir(PRESSVANE_TEST_OUTPUT_DIR).filePath("pressvane-window.png");
    QDir().mkpath(PRESSVANE_TEST_OUTPUT_DIR);
    EXPECT_TRUE(window->grab().save(shot)) << shot.toStdString();
    std::printf("screenshot: %s\n", shot.toStdString().c_str());

    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::qWait(300);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(service->ExitRequested());

    QPushButton& pause = Find<QPushButton>("pause");
    EXPECT_EQ(pause.text(), "&Pause");
    pause.click();
    EXPECT_EQ(pause.text(), "&Unpause");
    EXPECT_TRUE(service->Paused());
    pause.click();
    EXPECT_EQ(pause.text(), "&Pause");
    EXPECT_FALSE(service->Paused());

    AnswerNextExitWarning("wrong");
    window->close();
    EXPECT_FALSE(service->ExitRequested());
    EXPECT_TRUE(window->isVisible());

    AnswerNextExitWarning("VANE");
    window->close();
    EXPECT_TRUE(service->ExitRequested());
    ASSERT_TRUE(QTest::qWaitFor([this] { return ended >= 0; }, 30000));
    EXPECT_EQ(ended, PressvaneWindow::kEndedResult);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(service->MonitorFinished());
    service->JoinMonitor();
    service->OnTimer();
    EXPECT_EQ(test::ReadWholeFile(work / "out/bulletin.txt"), "the news");
    std::string log;
    for (const auto& entry : fs::directory_iterator(work / "Pressvane/INLOG")) log += test::ReadWholeFile(entry.path());
    EXPECT_NE(log.find("Success: Output FileSize: 8."), std::string::npos) << log;
}

// With no notification area (none offscreen) minimising is ordinary, and
// the box's choice is written back to the settings file.
TEST_F(PressvaneWindowTest, WithoutATrayTheWindowMinimisesAndTheBoxIsWrittenBack) {
    ASSERT_TRUE(PassShown());
    window->showMinimized();
    QTest::qWait(50);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    window->showNormal();
    QTest::qWait(50);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());

    Find<QCheckBox>("minimizeToTray").click();
    EXPECT_NE(test::ReadWholeFile(work / "Pressvane/Pressvane.ini").find("Minimize To System Tray=No\r\n"),
              std::string::npos);
    window->showMinimized();
    QTest::qWait(50);
    EXPECT_TRUE(window->isVisible());
    Find<QCheckBox>("minimizeToTray").click();
    EXPECT_NE(test::ReadWholeFile(work / "Pressvane/Pressvane.ini").find("Minimize To System Tray=Yes\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace pv::gui
