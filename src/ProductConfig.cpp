#include "ProductConfig.h"

#include "config.h"

const char kUpdateUrl[] = "http://" PELLIX_WEB_HOST "/prodline/version/version.asp?pname=ssd";
const char kAdvertisementUrl[] = "http://" PELLIX_WEB_HOST "/prodline/advertisement/ssd.asp";
const char kBlogUrl[] = PELLIX_BLOG_URL;
const char kAhciSearchUrl[] = PELLIX_SEARCH_URL;
