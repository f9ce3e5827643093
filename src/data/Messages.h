// Texts and captions that the data layer shows to the user (UTF-8).
#pragma once

namespace lumbra::text {

inline constexpr char kCaptionNotice[] = "お知らせ";  // string 1017
inline constexpr char kReservedName[] =               // string 1018
    "[%s]という登録名はプラグインが管理用に用いるため、お使いになることができません。";
inline constexpr char kCaptionConfirm[] = "確認";  // string 1019
inline constexpr char kOverwrite[] =               // string 1020
    "%sという名前を持つファイルはすでに存在しています。上書きしてもよろしいですか？";
inline constexpr char kNameNotRepresentable[] = "[%s]という登録名には、登録名に使えない文字が含まれています。";
inline constexpr char kNameNotStorable[] = "レイアウトまたは定規の登録名に、保存できない文字が含まれています。";
inline constexpr char kCaptionReadError[] = "ファイル読み込みエラー";
inline constexpr char kCaptionWriteError[] = "ファイル書き込みエラー";
inline constexpr char kUnsupportedFormat[] = "未対応形式のファイルです。";
inline constexpr char kUnsupportedVersion[] = "このソフトのバージョンでは読み込めません。";
inline constexpr char kTruncatedFile[] = "ファイルが途中で切れているか、壊れています。";
inline constexpr char kLoadingDefaults[] = "\r\nデフォルトのデータを読み込みます。";
inline constexpr char kLoadingLatest[] = "\r\n最近保存されたデータを読み込みます。";

}  // namespace lumbra::text
