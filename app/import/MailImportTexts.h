#pragma once
// What the mail import says to the user (code page 932: narrow literals are compiled as
// code page 932). The boxes are titled "エラー", or "確認" for a question or a note.

namespace MailImportTexts {

inline constexpr const char* kErrorCaption = "エラー";
inline constexpr const char* kConfirmCaption = "確認";

// The designed question before a reply, forward or reference replaces a modified message.
inline constexpr const char* kDiscardQuestion = "作成中のメールを破棄して、クリップボードにあるメールを貼り付けますか？";
// The designed name of a mail without a subject.
inline constexpr const char* kNoSubject = "（件名なし）";

inline constexpr const char* kNoMailOnClipboard = "クリップボードにメールがありません。";
inline constexpr const char* kAgainHint =
    "Thunderbird のメッセージ一覧からもう一度ドラッグするか、メールをファイル（.eml）に保存してからドラッグしてください。";
inline constexpr const char* kServerMessage =
    "このメールはサーバー上（IMAP またはニュース）にあるため、メールボックスのファイルからは読めません。";
inline constexpr const char* kNotFound = "Thunderbird のメールボックスに、このメールが見つかりませんでした。";
inline constexpr const char* kBadReference = "Thunderbird のメールの参照が正しくないため、読み込みませんでした。";
inline constexpr const char* kMailTooLarge = "このメールは 100 MB を超えているため、読み込めません。";
inline constexpr const char* kMailboxUnreadable = "Thunderbird のメールボックスを読み込めませんでした。";
// "%s": the file's name.
inline constexpr const char* kNotAMailFile = "「%s」はメールのファイルとして読み込めません。";
inline constexpr const char* kFileTooLarge = "「%s」は 100 MB を超えているため、読み込めません。";
inline constexpr const char* kEmptyMail = "メールの中身が空のため、読み込めません。";
// "%d": how many mails came together.
inline constexpr const char* kFirstOfSeveral = "%d 通のメールのうち、最初の 1 通を使いました。";
inline constexpr const char* kTempFolderFailed =
    "一時フォルダを作成できなかったため、メールの添付ファイルを取り出せませんでした。";
inline constexpr const char* kAttachUnreadable = "メールを読み取れないため、添付できませんでした。";
inline constexpr const char* kAttachWriteFailed = "メールを添付ファイルとして保存できませんでした。";

}  // namespace MailImportTexts
