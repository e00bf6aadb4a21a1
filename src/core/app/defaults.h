// Initial texts of the quotation and font fields, as code page 932 bytes.
#pragma once

namespace pelarin::defaults {

inline constexpr char kQuoteMark[] = ">";
inline constexpr char kHeaderLeft[] = "------------------------";
inline constexpr char kHeaderSuffix[] = "\x82\xb3\x82\xf1\x82\xd6\x82\xcc\x83\x8c\x83\x58\x82\xc5\x82\xb7";  // さんへのレスです
inline constexpr char kHeaderRight[] = "------------------------";
inline constexpr char kFooterLeft[] = "-----------------";
inline constexpr char kFooterSuffix[] = " written by Pelarin";
inline constexpr char kFooterRight[] = "-----------------";
inline constexpr char kFontName[] = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック
inline constexpr char kUpFileName[] = "upload.txt";
inline constexpr char kListFileName[] = "pelarin";

}  // namespace pelarin::defaults
