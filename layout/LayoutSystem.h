#pragma once

// 10 × major + minor of the running system, 110 from build 22000 on, 50 when
// the version cannot be queried; computed once per process.
int GetOSVersionCode();
// The code for a version that was queried successfully.
int OSVersionCodeFrom(unsigned long nMajor, unsigned long nMinor, unsigned long nBuild);

// 0 no visual styles, 1 styles active before Vista, 2 Vista or later; 0 when
// UxTheme or IsThemeActive is missing.
int QueryThemeState(int nOSVersion);
