// The font of every Tavrin window (the main window, its graph area, the dialogs and the version
// box). Its Windows family is rarely installed elsewhere; IPA P Gothic stands in for it.
#pragma once

inline constexpr char kWindowFontFamily[] = "ＭＳ Ｐゴシック";
inline constexpr char kWindowFontFallback[] = "IPAPGothic";
inline constexpr int kWindowFontPixels = 12;
