// The 15 result values and message texts, byte for byte in UTF-8 and UTF-16.
#include <gtest/gtest.h>

#include <string>

#include "model/error_code.h"

namespace ringmarch {
namespace {

struct ExpectedError {
  ErrorCode code;
  std::uint32_t result;
  const char* utf8;
  const char16_t* utf16;
};

// Written out independently of the table in the library.
const ExpectedError kExpected[] = {
    {ErrorCode::FileOpenFailed, 0x80040301u,
     "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB\xE3\x81\xAE\xE3\x82\xAA\xE3\x83\xBC\xE3\x83"
     "\x97\xE3\x83\xB3\xE3\x81\xAB\xE5\xA4\xB1\xE6\x95\x97\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3"
     "\x81\x9F\xE3\x80\x82\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB\xE3\x81\x8C\xE5\xAD\x98"
     "\xE5\x9C\xA8\xE3\x81\x97\xE3\x81\xAA\xE3\x81\x84\xE5\x8F\xAF\xE8\x83\xBD\xE6\x80\xA7\xE3\x81"
     "\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x99\xE3\x80\x82",
     u"\u30D5\u30A1\u30A4\u30EB\u306E\u30AA\u30FC\u30D7\u30F3\u306B\u5931\u6557\u3057\u307E\u3057"
     u"\u305F\u3002\u30D5\u30A1\u30A4\u30EB\u304C\u5B58\u5728\u3057\u306A\u3044\u53EF\u80FD\u6027"
     u"\u304C\u3042\u308A\u307E\u3059\u3002"},
    {ErrorCode::FileReadFailed, 0x80040302u,
     "ファイルのリードに失敗しました。ファイルが壊れている可能性があります。",
     u"\u30D5\u30A1\u30A4\u30EB\u306E\u30EA\u30FC\u30C9\u306B\u5931\u6557\u3057\u307E\u3057\u305F"
     u"\u3002\u30D5\u30A1\u30A4\u30EB\u304C\u58CA\u308C\u3066\u3044\u308B\u53EF\u80FD\u6027\u304C"
     u"\u3042\u308A\u307E\u3059\u3002"},
    {ErrorCode::FileWriteFailed, 0x80040303u,
     "ファイルのライトに失敗しました。ディスクの空き容量がないかディスクが壊れている可能性がありま"
     "す"
     "。",
     nullptr},
    {ErrorCode::FileFormatError, 0x80040304u, "ファイルのフォーマット異常です。", nullptr},
    {ErrorCode::OutOfMemory, 0x80040305u, "メモリが不足しています。",
     u"\u30E1\u30E2\u30EA\u304C\u4E0D\u8DB3\u3057\u3066\u3044\u307E\u3059\u3002"},
    {ErrorCode::TooManyCities, 0x80040306u, "最大都市数を超えています。", nullptr},
    {ErrorCode::CityIdOutOfRange, 0x80040307u, "指定された都市IDは範囲外です。", nullptr},
    {ErrorCode::PositionOutOfRange, 0x80040308u,
     "\xE3\x83\x9D\xE3\x82\xB8\xE3\x82\xB7\xE3\x83\xA7\xE3\x83\xB3\xE3\x81\xAF\xEF\xBC\x90\xE3\x81"
     "\x8B\xE3\x82\x89\xEF\xBC\x91\xEF\xBC\x90\xEF\xBC\x90\xEF\xBC\x90\xEF\xBC\x90\xE3\x81\xBE\xE3"
     "\x81\xA7\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82",
     u"\u30DD\u30B8\u30B7\u30E7\u30F3\u306F\uFF10\u304B\u3089\uFF11\uFF10\uFF10\uFF10\uFF10\u307E"
     u"\u3067\u3067\u3059\u3002"},
    {ErrorCode::DistanceOutOfRange, 0x80040309u, "距離は０から１４１４２までです。",
     u"\u8DDD\u96E2\u306F\uFF10\u304B\u3089\uFF11\uFF14\uFF11\uFF14\uFF12\u307E\u3067\u3067\u3059"
     u"\u3002"},
    {ErrorCode::SameCityDistanceNotZero, 0x8004030Au, "同一都市の距離は０です。", nullptr},
    {ErrorCode::DistanceNotPositive, 0x8004030Bu,
     "異なる都市の距離は０より大きくなければなりません。", nullptr},
    {ErrorCode::DistanceNotSymmetric, 0x8004030Cu, "都市間の距離は対称でなければなりません",
     u"\u90FD\u5E02\u9593\u306E\u8DDD\u96E2\u306F\u5BFE\u79F0\u3067\u306A\u3051\u308C\u3070\u306A"
     u"\u308A\u307E\u305B\u3093"},
    {ErrorCode::InstanceNotCreated, 0x8004030Du, "TSPが未作成です。",
     u"TSP\u304C\u672A\u4F5C\u6210\u3067\u3059\u3002"},
    {ErrorCode::NotSolved, 0x8004030Eu, "Solve関数を実行していません。", nullptr},
    {ErrorCode::FileTypeNotSupported, 0x8004030Fu,
     "指定されたファイルタイプはサポートしていません。", nullptr},
};

// UTF-8 to UTF-16 for the BMP, enough for these texts; an independent path to compare with.
std::u16string utf16Of(const std::string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out.push_back(byte);
      i += 1;
    } else if ((byte & 0xE0) == 0xC0) {
      out.push_back(static_cast<char16_t>(((byte & 0x1F) << 6) | (text[i + 1] & 0x3F)));
      i += 2;
    } else {
      out.push_back(static_cast<char16_t>(((byte & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) |
                                          (text[i + 2] & 0x3F)));
      i += 3;
    }
  }
  return out;
}

TEST(ErrorCodes, ResultValuesAndTextsByteForByte) {
  ASSERT_EQ(std::size(kExpected), static_cast<std::size_t>(kErrorCodeCount));
  for (const ExpectedError& expected : kExpected) {
    SCOPED_TRACE(std::string(errorName(expected.code)));
    EXPECT_EQ(resultValueOf(expected.code), expected.result);
    EXPECT_EQ(std::string(errorText(expected.code)), std::string(expected.utf8));
    const std::u16string wide(errorTextWide(expected.code));
    EXPECT_EQ(wide, utf16Of(expected.utf8));
    if (expected.utf16 != nullptr) {
      EXPECT_EQ(wide, std::u16string(expected.utf16));
    }
  }
}

TEST(ErrorCodes, SuccessAndUnknownCodesHaveNoText) {
  EXPECT_EQ(resultValueOf(ErrorCode::Success), 0u);
  EXPECT_TRUE(errorText(ErrorCode::Success).empty());
  EXPECT_TRUE(errorText(static_cast<ErrorCode>(16)).empty());
  EXPECT_TRUE(errorTextWide(static_cast<ErrorCode>(-1)).empty());
}

}  // namespace
}  // namespace ringmarch
