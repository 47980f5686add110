#pragma once
// The auto-reply page's popups: the keyword row editor (335), the reply-list row editor (534),
// the help text (450) and the reply-log viewer (334). The reply type choice is CReplyTypeDlg.
#include "contacts/AutoReplyLog.h"
#include "uikit/SkinDialog.h"

#include <optional>
#include <string>
#include <vector>

class CMultiLineEdit;
class CSkinButton;
class CSkinEdit;
namespace uikit {
class CSortListCtrl;
}

namespace autoreply {
// GBK limits of the editors' texts.
inline constexpr int kQueryLimitBytes = 20;
inline constexpr int kListTextLimitBytes = 140;
inline constexpr int kPackageNameBytes = 30;
// A reply's text through the text dialog: the width of the reply field.
inline constexpr int kReplyTextLimitBytes = 499;

inline constexpr const char* kReservedPrefixText =
    "“彩信文件：”为系统保留字符，不允许在短信内容头部出现！";

bool IsMmsReply(const std::string& reply);
// The name of a library package path "...\G\N.qmx": N (the file name without ".qmx").
std::string PackageNameOf(const std::string& path);

// Asks for a new reply in place of current: the type choice (its third choice, no reply, when
// withNoReply), then the library picker or the text dialog. The new reply, or nothing when
// the user cancelled or the text was refused.
std::optional<std::string> AskReply(QWidget* parent, const std::string& current, bool withNoReply);
}  // namespace autoreply

class CKeywordReplyItemDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 335;
    explicit CKeywordReplyItemDlg(QWidget* parent = nullptr);

    void OnChoose();
    void OnOK() override;

    std::string m_strQuery;  // edit 1043
    std::string m_strReply;  // edit 1044 (read-only)

    CSkinEdit* m_editQuery;
    CSkinEdit* m_editReply;
    CSkinButton* m_btnChoose;  // 1002
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};

class CCyclicReplyItemDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 534;
    explicit CCyclicReplyItemDlg(QWidget* parent = nullptr);

    void OnImport();
    void OnSelectMMS();
    void OnEditMMS();
    void OnClearMMS();
    void OnOK() override;

    std::string m_strText;  // edit 1043
    std::string m_strFile;  // edit 1044 (read-only)

    CMultiLineEdit* m_editText;
    CSkinEdit* m_editFile;
    CSkinButton* m_btnImport;     // 1002
    CSkinButton* m_btnSelectMMS;  // 1003
    CSkinButton* m_btnEditMMS;    // 1004
    CSkinButton* m_btnClearMMS;   // 1012
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};

class CAutoReplyHelpDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 450;
    explicit CAutoReplyHelpDlg(QWidget* parent = nullptr);
};

class CAutoReplyRecordDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 334;
    explicit CAutoReplyRecordDlg(QWidget* parent = nullptr);
    ~CAutoReplyRecordDlg() override;

    void OnDelete();
    void OnClear();
    void OnExport();

    autoreply::CReplyLogView& Log() { return m_log; }

    uikit::CSortListCtrl* m_list;  // 1289
    CSkinButton* m_btnExport;      // 1003
    CSkinButton* m_btnDelete;      // 1002
    CSkinButton* m_btnClear;       // 1051
    CSkinButton* m_btnExit;        // 2

protected:
    bool OnInitDialog() override;

private:
    // The rows and their records go, with the wait cursor; a file that cannot be rewritten is told.
    void RemoveRecords(const std::vector<rows::RowId>& ids);

    autoreply::CReplyLogView m_log;
    bool m_bLoaded = false;
};
