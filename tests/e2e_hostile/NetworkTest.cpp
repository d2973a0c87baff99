// The program against a web server that answers badly, and without its browser component.
//
// Observed under Wine 8 (the update check is bounded to 5 s; "ms" runs from the answer to the
// no-SSD question to the update box or the main window, whichever came first):
//
//   update server answers                     | box shown        | ms    | requests
//   ------------------------------------------+------------------+-------+----------------------
//   302 to itself, forever                    | none             |       | at most 11: ten
//                                             |                  |       | redirections followed
//   200, 10 MB of "9"                         | update question  | ~1150 | 1
//   200, chunked "1" / ".4" / end, 400 ms     | update question  | ~120  | 1 (only "1" is read)
//     apart                                   |                  |       |
//   "HTTP/1.1 abc" status line, body "1.5"    | update question  | ~80   | 1
//   "XYZ", no HTTP at all                     | update question  | ~70   | 1 (read as a bare body)
//   4 KB of random bytes with NULs, no HTTP   | none             | ~45   | 1 (a NUL fails the read)
//   headers with Content-Length 100, no body  | none             | ~5080 | 1
//
// A successful read of anything but "1.4" or "error" is announced as a newer version; a failed
// download shows nothing. The advertisement page answered with 10 MB, with 64 KB of binary
// garbage or with headers and no body: no window, one load, the dialog works. With ieframe
// switched off for DADAROR.exe the panel makes no request and the dialog works; the panel hosts
// the browser itself and Wine's browser does not need shdocvw, so switching atl or shdocvw off
// changes nothing.
//
// A redirect loop once went on for as long as the program ran (Wine's WinINet kept following it
// after the handles were closed); the update check now follows redirections itself, at most ten,
// and stops once it has given up. The test below keeps it that way.
#include "Hostile.h"

#include <wininet.h>

#include <iostream>
#include <random>

// The scripts of the tests' web server (HttpAnswer, HttpHead, HttpStep...).
using namespace testsupport;

namespace
{

const char kVersionPath[] = "/prodline/version/version.asp";
const char kAdvertisementPath[] = "/prodline/advertisement/";
std::string RandomBytes(size_t count, bool withNuls)
{
    std::mt19937 random(1234);
    std::string bytes(count, '\0');
    for (char& c : bytes)
    {
        c = static_cast<char>(random() & 0xFF);
        if (!withNuls && c == '\0')
            c = '\x01';
    }
    if (withNuls)
        bytes[count / 3] = '\0';
    return bytes;
}

// The scripted server on the port the test build talks to.
struct Server
{
    e2e::ProgramServer http;

    size_t CountRequests(const std::string& path) const { return http.Count(path); }
};

enum class Box
{
    Shown,
    None
};

struct UpdateCase
{
    const char* name;
    HttpScript (*script)();
    Box expected;
};

std::ostream& operator<<(std::ostream& out, const UpdateCase& c)
{
    return out << c.name;
}

const UpdateCase kUpdateCases[] = {
    {"RedirectLoop",
     []
     {
         return HttpScript{HttpStep::Send(
             "HTTP/1.1 302 Found\r\nLocation: /prodline/version/version.asp?pname=ssd\r\n"
             "Content-Length: 0\r\nConnection: close\r\n\r\n")};
     },
     Box::None},
    {"TenMegabyteBody", [] { return HttpAnswer(200, std::string(10 * 1024 * 1024, '9')); },
     Box::Shown},
    // "1", then ".4": read whole, the own version.
    {"ChunkedInPieces",
     []
     {
         return HttpScript{HttpStep::Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: "
                                          "chunked\r\nConnection: close\r\n\r\n1\r\n1\r\n"),
                           HttpStep::Pause(400), HttpStep::Send("2\r\n.4\r\n"),
                           HttpStep::Pause(400), HttpStep::Send("0\r\n\r\n")};
     },
     Box::None},
    {"StatusLineWithoutANumber",
     []
     {
         return HttpScript{
             HttpStep::Send("HTTP/1.1 abc\r\nContent-Length: 3\r\nConnection: close\r\n\r\n1.5")};
     },
     Box::Shown},
    {"NoHttpAtAll", [] { return HttpScript{HttpStep::Send("XYZ")}; }, Box::Shown},
    // Read as a body without headers; a zero byte in what was read makes the download a failure.
    {"BinaryGarbageWithNuls", [] { return HttpScript{HttpStep::Send(RandomBytes(4096, true))}; },
     Box::None},
    {"StalledBody",
     [] {
         return HttpScript{HttpStep::Send(HttpHead(200, 100)), HttpStep::Stall()};
     },
     Box::None},
};

class UpdateServer : public ::testing::TestWithParam<UpdateCase>
{
};

} // namespace

TEST_P(UpdateServer, StartsWithinTheBoundAndStaysUsable)
{
    if (!hostile::Online())
        GTEST_SKIP()
            << "InternetGetConnectedState says offline: the program makes no update check here";
    const UpdateCase& c = GetParam();
    Server server;
    ASSERT_TRUE(server.http.IsListening())
        << "port " << server.http.Port() << " is taken by another program";
    server.http.SetScriptFor(kVersionPath, c.script());
    server.http.SetScriptFor(kAdvertisementPath, HttpAnswer(200, "<html><body>ad</body></html>"));

    e2e::ProgramRun run;
    ASSERT_TRUE(run.Started());
    const hostile::StartupOutcome outcome =
        hostile::PastTheSsdQuestion(run, server.http, kVersionPath);
    HWND update = outcome.update;
    ASSERT_TRUE(update || outcome.dlg);
    std::cout << "[outcome] " << c.name << ": " << (update ? "update box" : "no box") << ", "
              << outcome.sinceAnswer << " ms after the answer, " << outcome.sinceRequest
              << " ms after the request, version requests " << server.CountRequests(kVersionPath)
              << std::endl;
    EXPECT_LT(outcome.sinceRequest, hostile::kUpdateBoundMs)
        << "the start-up waited past the bound of the update check";

    if (update)
    {
        EXPECT_EQ(e2e::kUpdateCaption, e2e::WindowText(update))
            << "an unexpected box: " << e2e::MessageBoxText(update);
        ASSERT_TRUE(e2e::AnswerBox(update, IDCANCEL));
    }
    EXPECT_EQ(c.expected == Box::Shown, update != nullptr);
    HWND dlg = e2e::StartToMainWindow(run, hostile::kWait);
    ASSERT_TRUE(dlg) << "the main window did not appear";
    // A check that was given up must stop talking to the server (a redirect loop would
    // otherwise go on for as long as the program runs). Counted once the panel's page was asked
    // for, after the window showed; the user's clicks that follow are the quiet period, and a
    // request or two already under way when the check gave up may still arrive.
    EXPECT_TRUE(server.http.WaitForRequest(kAdvertisementPath, 10000));
    const size_t given = server.CountRequests(kVersionPath);
    hostile::ExpectUsable(run, dlg);
    EXPECT_LE(server.CountRequests(kVersionPath), given + 2)
        << "the update check goes on after the window is shown";
    // A window of its own would still be open now.
    EXPECT_TRUE(hostile::OtherWindows(run.Pid(), {dlg}).empty())
        << "a window of its own: " << hostile::OtherWindows(run.Pid(), {dlg}).front();
    hostile::ExpectClosesCleanly(run, dlg);
}

INSTANTIATE_TEST_SUITE_P(Hostile, UpdateServer, ::testing::ValuesIn(kUpdateCases),
                         [](const ::testing::TestParamInfo<UpdateCase>& info)
                         { return std::string(info.param.name); });

namespace
{

struct PageCase
{
    const char* name;
    HttpScript (*script)();
};

std::ostream& operator<<(std::ostream& out, const PageCase& c)
{
    return out << c.name;
}

const PageCase kPageCases[] = {
    {"TenMegabytePage",
     [] { return HttpAnswer(200, "<html><body>" + std::string(10 * 1024 * 1024, 'x')); }},
    {"BinaryGarbage", [] { return HttpScript{HttpStep::Send(RandomBytes(65536, true))}; }},
    {"StalledPage",
     [] {
         return HttpScript{HttpStep::Send(HttpHead(200, 100)), HttpStep::Stall()};
     }},
};

class AdvertisementServer : public ::testing::TestWithParam<PageCase>
{
};

} // namespace

TEST_P(AdvertisementServer, PanelLoadLeavesTheDialogAlone)
{
    Server server;
    ASSERT_TRUE(server.http.IsListening())
        << "port " << server.http.Port() << " is taken by another program";
    server.http.SetScriptFor(kVersionPath, HttpAnswer(200, "1.4"));
    server.http.SetScriptFor(kAdvertisementPath, GetParam().script());

    e2e::ProgramRun run;
    std::vector<e2e::StartupBox> boxes;
    HWND dlg = e2e::StartToMainWindow(run, hostile::kWait, &boxes);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(1u, boxes.size()) << "more than the no-SSD question at start-up";
    ASSERT_TRUE(e2e::WaitUntil([&] { return server.CountRequests(kAdvertisementPath) > 0; }, 10000))
        << "the panel never asked for its page";

    // The page is the browser's business: no window of its own, no second load, by the time
    // the user has clicked through the dialog.
    hostile::ExpectUsable(run, dlg);
    EXPECT_TRUE(hostile::OtherWindows(run.Pid(), {dlg}).empty())
        << "a window of its own: " << hostile::OtherWindows(run.Pid(), {dlg}).front();
    EXPECT_EQ(1u, server.CountRequests(kAdvertisementPath));
    hostile::ExpectClosesCleanly(run, dlg);
}

INSTANTIATE_TEST_SUITE_P(Hostile, AdvertisementServer, ::testing::ValuesIn(kPageCases),
                         [](const ::testing::TestParamInfo<PageCase>& info)
                         { return std::string(info.param.name); });

namespace
{

// Wine's per-program library settings: "" switches a built-in library off for DADAROR.exe only.
const char kOverrides[] = "Software\\Wine\\AppDefaults\\DADAROR.exe\\DllOverrides";

struct MissingLibrary
{
    const char* name;
    bool panelGone; // false: the panel does not need the library, the page still loads once
};

std::ostream& operator<<(std::ostream& out, const MissingLibrary& c)
{
    return out << c.name;
}

class BrowserMissing : public ::testing::TestWithParam<MissingLibrary>
{
};

} // namespace

TEST_P(BrowserMissing, PanelStaysEmptyAndTheRestWorks)
{
    const MissingLibrary& c = GetParam();
    e2e::ScopedRegString off(HKEY_CURRENT_USER, kOverrides, c.name, "");
    ASSERT_TRUE(off.Ok());
    e2e::ProgramServer server;
    ASSERT_TRUE(server.IsListening()) << "port " << server.Port() << " is taken by another program";

    e2e::ProgramRun run;
    std::vector<e2e::StartupBox> boxes;
    HWND dlg = e2e::StartToMainWindow(run, hostile::kWait, &boxes);
    ASSERT_TRUE(dlg) << "the dialog did not open without " << c.name;
    EXPECT_EQ(1u, boxes.size()) << "more than the no-SSD question at start-up";

    // Without the control there is nothing to navigate: no request, no window, no message.
    // Once the update check's request is in (where the system says it is online) and the user
    // has clicked through the dialog, a page request would have come too.
    const size_t loads = c.panelGone ? 0 : 1;
    if (!c.panelGone)
        EXPECT_TRUE(server.WaitForRequest(kAdvertisementPath, 10000));
    if (hostile::Online())
        EXPECT_TRUE(server.WaitForRequest(kVersionPath, 10000));
    hostile::ExpectUsable(run, dlg);
    EXPECT_EQ(loads, server.Count(kAdvertisementPath));
    EXPECT_TRUE(hostile::OtherWindows(run.Pid(), {dlg}).empty())
        << "other windows " << hostile::OtherWindows(run.Pid(), {dlg}).size();
    hostile::ExpectClosesCleanly(run, dlg);
}

// The panel is the browser's container itself: it needs no atl.dll.
const MissingLibrary kMissingLibraries[] = {{"atl", false}, {"ieframe", true}, {"shdocvw", false}};
INSTANTIATE_TEST_SUITE_P(Hostile, BrowserMissing, ::testing::ValuesIn(kMissingLibraries),
                         [](const ::testing::TestParamInfo<MissingLibrary>& info)
                         { return std::string(info.param.name); });
