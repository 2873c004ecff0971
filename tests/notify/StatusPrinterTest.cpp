#include <gtest/gtest.h>

#include "notify/StatusPrinter.h"
#include "platform/Clock.h"

namespace pv {
namespace {

// The words every typed event had as a finished status line before it had a
// type of its own; the status and trace logs compare them byte for byte.
TEST(StatusPrinter, EveryEventKeepsItsStatusLineAndLogFlag) {
    const struct {
        ProgressEvent event;
        const char* text;
        bool toStatusLog;
    } cases[] = {
        {StatusNote{"Searching directory Bad/ for any files to transfer.", false},
         "Searching directory Bad/ for any files to transfer.", false},
        {StatusNote{"Making directories.", true}, "Making directories.", true},
        {PassStarted{}, "Checking.", true},
        {FileFound{"Bad/", "Bad/b.txt", "b.txt", 3, 1765286400}, "Copying Bad/b.txt FileSize: 3.", true},
        {FileFound{"ftp://127.0.0.1:2121/in/", "ftp://127.0.0.1:2121/in/big.wav", "big.wav", 5000000000ULL, 0},
         "Copying ftp://127.0.0.1:2121/in/big.wav FileSize: 5000000000.", true},
        {OutputStarted{"Uniq/00042n.txt", 8}, "to Uniq/00042n.txt FileSize: 8.", true},
        {OutputStarted{"Outbox/gone.txt", -1}, "to Outbox/gone.txt FileSize: 0.", true},
        {OutputDelivered{"Outbox/b.txt", 12345}, "Success: Output FileSize: 12345.", true},
        {OutputDelivered{"ftp://127.0.0.1:2121/out/big.wav", 5000000000LL}, "Success: Output FileSize: 5000000000.",
         true},
        {OutputFailed{OutputStep::copy, "blocker/y/up.txt", "cannot create blocker/y/x.part: Not a directory",
                      "up.txt", "FtpIn/up.txt"},
         "Unable to transfer attached file up.txt.\nCopy of compressed output file failed.\nSource File: FtpIn/up.txt"
         "\nDestination File: blocker/y/up.txt. cannot create blocker/y/x.part: Not a directory",
         true},
        {OutputFailed{OutputStep::renameIntoPlace, "out/up.txt", "", "up.txt", "in/up.txt"},
         "Unable to rename attached file up.txt.\nCopy of compressed output file failed.\nSource File: in/up.txt"
         "\nDestination File: out/up.txt. ",
         true},
        {OutputFailed{OutputStep::makeFolder, "blocker/x/", "cannot create folder blocker/x: Not a directory",
                      "b.txt", ""},
         "Unable to make the output folder blocker/x/. cannot create folder blocker/x: Not a directory", true},
        {OutputFailed{OutputStep::checkName, "ftp://h/out/00042n.txt", "550 No listing.", "n.txt", ""},
         "Unable to tell whether ftp://h/out/00042n.txt exists. 550 No listing.", true},
        {OutputFailed{OutputStep::drawNumber, "Uniq/", "", "n.txt", ""}, "Every unique number for n.txt is taken in Uniq/.",
         true},
        {PassEnded{false}, "Waiting. Version 12.021", false},
        {PassEnded{true}, "Waiting. Version 12.021", false},
        {FatalError{"Improperly formatted path: ftp://h/x Should be PATH|ID|PASSWORD|."},
         "\nFATAL ERROR!!!\nImproperly formatted path: ftp://h/x Should be PATH|ID|PASSWORD|.\n", true},
    };
    const StatusPrinter printer;
    for (const auto& c : cases) {
        const StatusLine line = printer.Print(c.event, 0);
        EXPECT_EQ(line.text, c.text);
        EXPECT_EQ(line.toStatusLog, c.toStatusLog) << c.text;
    }
}

// Shown as the board, the console and the logs have it: the local time
// first, every line end a "\r\n".
TEST(StatusPrinter, TheShownLineIsStampedWithCrLfLineEnds) {
    const std::time_t when = platform::Clock::MakeLocalTime(2026, 12, 9, 14, 37, 5);
    const struct {
        ProgressEvent event;
        const char* stamped;
    } cases[] = {
        {PassStarted{}, "02:37:05 PM  12/09/2026  Checking."},
        {FatalError{"gone"}, "02:37:05 PM  12/09/2026  \r\nFATAL ERROR!!!\r\ngone\r\n"},
        {StatusNote{"already\r\nbroken\nmixed", true}, "02:37:05 PM  12/09/2026  already\r\nbroken\r\nmixed"},
    };
    for (const auto& c : cases) EXPECT_EQ(StatusPrinter().Print(c.event, when).stamped, c.stamped);
}

}  // namespace
}  // namespace pv
