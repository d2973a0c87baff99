// The update check of the running program against two answers that used to mislead it: a
// connection reset right after the headers (shows nothing), and a relative redirection whose
// query carries an address (followed on the same server; a newer version is announced).
#include "Hostile.h"

#include <iostream>

using testsupport::HttpAnswer;
using testsupport::HttpRedirect;
using testsupport::HttpResetAfterHeaders;

namespace
{

const char kVersionPath[] = "/prodline/version/version.asp";
// Past the no-SSD question: whether the update question came before the main window (answered
// with Cancel), and how long after the check's first request.
struct Outcome
{
    bool updateBox = false;
    ULONGLONG ms = 0;
};

Outcome RunStartup(e2e::ProgramRun& run, const e2e::ProgramServer& server)
{
    const hostile::StartupOutcome seen = hostile::PastTheSsdQuestion(run, server, kVersionPath);
    Outcome outcome;
    outcome.ms = seen.sinceRequest;
    if (seen.update)
    {
        outcome.updateBox = e2e::WindowText(seen.update) == e2e::kUpdateCaption;
        EXPECT_TRUE(outcome.updateBox) << "an unexpected box: " << e2e::MessageBoxText(seen.update);
        e2e::AnswerBox(seen.update, IDCANCEL);
    }
    return outcome;
}

} // namespace

TEST(UpdateEdge, ResetAfterTheHeadersShowsNothing)
{
    if (!hostile::Online())
        GTEST_SKIP() << "offline: the program makes no update check here";
    e2e::ProgramServer server;
    ASSERT_TRUE(server.IsListening()) << "port " << server.Port() << " is taken";
    server.SetScriptFor(kVersionPath, HttpResetAfterHeaders(200, 3));

    e2e::ProgramRun run;
    ASSERT_TRUE(run.Started());
    const Outcome outcome = RunStartup(run, server);
    std::cout << "[outcome] reset after the headers: "
              << (outcome.updateBox ? "update box" : "no box") << ", " << outcome.ms << " ms"
              << std::endl;
    EXPECT_FALSE(outcome.updateBox) << "a broken answer announced a newer version";
    EXPECT_LT(outcome.ms, hostile::kUpdateBoundMs);
    size_t versionRequests = 0;
    for (const std::string& request : server.Requests())
        versionRequests += request.find(std::string("GET ") + kVersionPath) == 0 ? 1 : 0;
    EXPECT_EQ(1u, versionRequests) << "the reset answer was asked for again";
    HWND dlg = e2e::StartToMainWindow(run, hostile::kWait);
    ASSERT_TRUE(dlg);
    hostile::ExpectClosesCleanly(run, dlg);
}

TEST(UpdateEdge, OneRedirectionLeadsToTheVersionText)
{
    if (!hostile::Online())
        GTEST_SKIP() << "offline: the program makes no update check here";
    e2e::ProgramServer server;
    ASSERT_TRUE(server.IsListening()) << "port " << server.Port() << " is taken";
    server.SetScriptFor(kVersionPath,
                        HttpRedirect(302, "moved.asp?pname=ssd&from=http://old.invalid/"));
    server.SetScriptFor("/prodline/version/moved.asp", HttpAnswer(200, "1.5"));

    e2e::ProgramRun run;
    ASSERT_TRUE(run.Started());
    const Outcome outcome = RunStartup(run, server);
    std::cout << "[outcome] one redirection to 1.5: "
              << (outcome.updateBox ? "update box" : "no box") << ", " << outcome.ms << " ms"
              << std::endl;
    EXPECT_TRUE(outcome.updateBox) << "the redirection was not followed to the newer version";
    EXPECT_TRUE(server.WaitForRequests(2, 5000));
    bool moved = false;
    for (const std::string& request : server.Requests())
        moved = moved ||
                request.find(
                    "GET /prodline/version/moved.asp?pname=ssd&from=http://old.invalid/ ") == 0;
    EXPECT_TRUE(moved) << "no request for the redirection's target";
    HWND dlg = e2e::StartToMainWindow(run, hostile::kWait);
    ASSERT_TRUE(dlg);
    hostile::ExpectClosesCleanly(run, dlg);
}
