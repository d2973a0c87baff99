// The test build's addresses: everything on the local test server.
#include "ProductConfig.h"

#define STR2(x) #x
#define STR(x) STR2(x)
#define TEST_HOST "127.0.0.1:" STR(E2E_HTTP_PORT)

const char kUpdateUrl[] = "http://" TEST_HOST "/prodline/version/version.asp?pname=ssd";
const char kAdvertisementUrl[] = "http://" TEST_HOST "/prodline/advertisement/ssd.asp";
const char kBlogUrl[] = "http://" TEST_HOST "/blog/ssd-optimizer";
const char kAhciSearchUrl[] =
    "http://" TEST_HOST "/search?q=ahci+%EC%84%A4%EC%A0%95%ED%95%98%EA%B8%B0&newwindow=1&safe=off";
