#include <ringmarch/errors.hpp>

#include <array>

namespace ringmarch {
namespace {

struct ErrorTexts {
  std::string_view name;
  std::string_view utf8;
  std::u16string_view utf16;
};

// Index = code: the English explanation every front end shows beside the message (the C
// interface's gloss, the command line's JSON, the Python exceptions' message).
constexpr std::array<std::string_view, kErrorCodeCount + 1> kGlosses = {
    "",
    "the file could not be opened; it may not exist",
    "the file could not be read; it may be damaged",
    "the file could not be written; the disk may be full or damaged",
    "the file format is invalid",
    "memory is insufficient",
    "more cities than it takes (127 for the solver object, 100000 for an instance)",
    "a city number is out of range, or fewer than 3 cities to solve",
    "a coordinate is out of range (0 to 9999 when set one by one) or not finite",
    "distances must be 0 to 14141, and tour lengths must fit 32 bits",
    "the distance of a city to itself must be 0",
    "different cities must be a positive distance apart",
    "distances must be symmetric",
    "no instance has been created",
    "the instance has not been solved",
    "the file type is not supported (1 = EUC2D, 2 = FULLMATRIX)",
};

// Index = code. The UTF-8 and UTF-16 forms are written from the same text so that neither needs
// a code-page conversion at run time.
constexpr std::array<ErrorTexts, kErrorCodeCount + 1> kTexts = {{
    {"Success", "", u""},
    {"FileOpenFailed", "ファイルのオープンに失敗しました。ファイルが存在しない可能性があります。",
     u"ファイルのオープンに失敗しました。ファイルが存在しない可能性があります。"},
    {"FileReadFailed", "ファイルのリードに失敗しました。ファイルが壊れている可能性があります。",
     u"ファイルのリードに失敗しました。ファイルが壊れている可能性があります。"},
    {"FileWriteFailed",
     "ファイルのライトに失敗しました。ディスクの空き容量がないかディスクが壊れている可能性がありま"
     "す。",
     u"ファイルのライトに失敗しました。ディスクの空き容量がないかディスクが壊れている可能性がありま"
     u"す。"},
    {"FileFormatError", "ファイルのフォーマット異常です。", u"ファイルのフォーマット異常です。"},
    {"OutOfMemory", "メモリが不足しています。", u"メモリが不足しています。"},
    {"TooManyCities", "最大都市数を超えています。", u"最大都市数を超えています。"},
    {"CityIdOutOfRange", "指定された都市IDは範囲外です。", u"指定された都市IDは範囲外です。"},
    {"PositionOutOfRange", "ポジションは０から１００００までです。",
     u"ポジションは０から１００００までです。"},
    {"DistanceOutOfRange", "距離は０から１４１４２までです。", u"距離は０から１４１４２までです。"},
    {"SameCityDistanceNotZero", "同一都市の距離は０です。", u"同一都市の距離は０です。"},
    {"DistanceNotPositive", "異なる都市の距離は０より大きくなければなりません。",
     u"異なる都市の距離は０より大きくなければなりません。"},
    {"DistanceNotSymmetric", "都市間の距離は対称でなければなりません",
     u"都市間の距離は対称でなければなりません"},
    {"InstanceNotCreated", "TSPが未作成です。", u"TSPが未作成です。"},
    {"NotSolved", "Solve関数を実行していません。", u"Solve関数を実行していません。"},
    {"FileTypeNotSupported", "指定されたファイルタイプはサポートしていません。",
     u"指定されたファイルタイプはサポートしていません。"},
}};

const ErrorTexts* textsOf(ErrorCode code) {
  const auto index = static_cast<std::int32_t>(code);
  if (index < 0 || index > kErrorCodeCount) return nullptr;
  return &kTexts[static_cast<std::size_t>(index)];
}

}  // namespace

std::string_view errorText(ErrorCode code) {
  const ErrorTexts* texts = textsOf(code);
  return texts ? texts->utf8 : std::string_view{};
}

std::u16string_view errorTextWide(ErrorCode code) {
  const ErrorTexts* texts = textsOf(code);
  return texts ? texts->utf16 : std::u16string_view{};
}

std::string_view errorGloss(ErrorCode code) {
  const auto index = static_cast<std::int32_t>(code);
  if (index < 0 || index > kErrorCodeCount) return {};
  return kGlosses[static_cast<std::size_t>(index)];
}

std::string_view errorName(ErrorCode code) {
  const ErrorTexts* texts = textsOf(code);
  return texts ? texts->name : std::string_view{"Unknown"};
}

}  // namespace ringmarch
