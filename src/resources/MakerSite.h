#pragma once
// The maker's web site, opened by the "Go to Quorvane" button.

inline constexpr char kMakerSiteAddress[] = "https://www.quorvane.example/";
