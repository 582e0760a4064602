// The pages of the service's web portal that the top bar opens in the browser.
#pragma once

#include "skin/SkinCatalogue.h"

// The portal's hosts: its main one, its sports one and its community.
#define PORTAL_MAIN "http://www.kalda.tv"
#define PORTAL_SPORTS "http://sports.kalda.tv"
#define PORTAL_COMMUNITY "http://club.kalda.tv"

// The portal's home page, which the logo opens too.
constexpr char kPortalHome[] = PORTAL_MAIN;

// The page of each portal tab, tab number k at k - 1.
constexpr const char* kPortalTabPages[kPortalTabCount] = {
    kPortalHome,
    PORTAL_MAIN "/film_new/default.jsp",
    PORTAL_SPORTS "/sports/index.jsp",
    PORTAL_MAIN "/music/music.jsp",
    PORTAL_COMMUNITY "/top.do",
    PORTAL_MAIN "/finance/finance.jsp",
};
