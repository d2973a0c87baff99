// The download against answers that end badly or lead elsewhere: a body cut short is a failure,
// never a shorter answer; redirections are followed the way a browser resolves them.
#include "HttpTestServer.h"
#include "console/UpdateDecision.h"
#include "Download.h"
#include "net/http/HttpTextClient.h"

#include <gtest/gtest.h>

#include <string>

using namespace testsupport; // the server and its scripts

using namespace downloadtest;

namespace
{

const char kPath[] = "/prodline/version/version.asp?pname=ssd";

HttpScript Redirect(int status, const std::string& location)
{
    return testsupport::HttpRedirect(status, location);
}

// A body that ends before its announced length, torn down or closed, is a failure (Wine's
// WinINet reports the close as the end of the body).
TEST(DownloadAnswer, ABodyCutShortIsAFailure)
{
    const HttpScript scripts[] = {
        {HttpStep::Send(HttpHead(200, 3)), HttpStep::Pause(100), HttpStep::Reset()},
        {HttpStep::Send(HttpHead(200, 10) + "1."), HttpStep::Pause(100), HttpStep::Send("4"),
         HttpStep::Close()}};
    for (const HttpScript& script : scripts)
    {
        CHttpTestServer server(script);
        for (bool bounded : {false, true})
        {
            Download d = Get(server.Url(kPath), bounded);
            EXPECT_EQ(0, d.result) << (bounded ? "bounded" : "direct");
            EXPECT_EQ(kSentinel, d.text) << (bounded ? "bounded" : "direct");
        }
    }
}

// Every kind of redirection, each on a chain of its own that ends on the same server.
TEST(DownloadAnswer, RedirectionChainsEndWhereTheLastOneLeads)
{
    for (const char* last : {"1.5", "1.4"})
    {
        CHttpTestServer server;
        server.SetScriptFor("/prodline/version/version.asp", Redirect(301, "/a/one.asp?x"));
        server.SetScriptFor("/a/one.asp", Redirect(302, "two/three.asp"));
        server.SetScriptFor("/a/two/three.asp", Redirect(303, "?next=http://elsewhere.invalid/"));
        server.SetScriptFor("/a/two/three.asp?next=", Redirect(307, "../four.asp"));
        server.SetScriptFor("/a/four.asp",
                            Redirect(308, "//127.0.0.1:" + std::to_string(server.Port()) + "/end"));
        server.SetScriptFor("/end", HttpAnswer(200, last));

        Download d = Get(server.Url(kPath), true);
        EXPECT_EQ(1, d.result) << last;
        EXPECT_EQ(last, d.text);
        EXPECT_EQ(std::string(last) != "1.4", d.result == 1 && IsNewerVersion(d.text)) << last;

        const auto requests = server.Requests();
        ASSERT_EQ(6u, requests.size());
        const char* const lines[] = {kPath,
                                     "/a/one.asp?x",
                                     "/a/two/three.asp",
                                     "/a/two/three.asp?next=http://elsewhere.invalid/",
                                     "/a/four.asp",
                                     "/end"};
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(0u, requests[i].find(std::string("GET ") + lines[i] + " HTTP/1.1\r\n"))
                << requests[i].substr(0, requests[i].find("\r\n"));
    }
}

} // namespace
