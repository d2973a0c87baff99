#include "ProductConfig.h"

#include "config.h"

const char kUpdateUrl[] = "http://" PELLIX_WEB_HOST "/prodline/version/version.asp?pname=ssd";
const char kAdvertisementUrl[] = PELLIX_ADVERTISEMENT_URL;
const char kBlogUrl[] = PELLIX_BLOG_URL;
const char kAhciSearchUrl[] = PELLIX_SEARCH_URL;
