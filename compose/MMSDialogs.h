#pragma once
// The small dialogs around the MMS library and the MMS editor: group name, rename, import into
// a group, the library picker, export options, frame text and MMS title. Callers set the public
// members before DoModal and read them after OK.
#include "platform/RowStore.h"
#include "uikit/SkinDialog.h"

#include <string>

class CFlatComboBox;
class CMultiLineEdit;
class CSkinButton;
class CSkinEdit;
class QLabel;
class QRadioButton;
namespace uikit {
class CSortListCtrl;
}

// A new group's name; refused when empty, not a valid name, or already a folder of "MMSSink".
class CGroupNameDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 234;
    explicit CGroupNameDlg(QWidget* parent = nullptr);
    void OnOK() override;

    std::string m_strLabel = "新增彩信组名称：";  // label 1269, set by the caller
    std::string m_strName;                        // after OK

    QLabel* m_lblName;      // 1269
    CSkinEdit* m_editName;  // 1043
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};

// A package's new name within its group. The same name closes as cancelled.
class CMMSRenameDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 323;
    explicit CMMSRenameDlg(QWidget* parent = nullptr);
    void OnOK() override;

    std::string m_strGroup;    // the package's group, set by the caller
    std::string m_strOldName;  // set by the caller
    std::string m_strNewName;  // after OK

    CSkinEdit* m_editOldName;  // 1044, read only
    CSkinEdit* m_editNewName;  // 1043
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};

// The group and name a package gets in the library. A group typed in that is not there yet is
// created and the library tree refilled on OK.
class CImportMMSGroupDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 330;
    static constexpr int kNameBytes = 30;  // the preset name is cut to this
    explicit CImportMMSGroupDlg(QWidget* parent = nullptr);
    void OnOK() override;

    std::string m_strGroup;  // after OK
    std::string m_strName;   // preset by the caller; after OK the name chosen

    CFlatComboBox* m_cmbGroup;  // 1026, the groups; a new one may be typed
    CSkinEdit* m_editName;      // 1044
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};

// Picks a package of the library: a group in the combo, a package in the list.
class CInsertMMSDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 206;
    explicit CInsertMMSDlg(QWidget* parent = nullptr);
    ~CInsertMMSDlg() override;
    void OnOK() override;
    // Lists the packages of the group chosen in the combo.
    void OnSelchangeGroup();

    std::string m_strGroup;  // after OK: the chosen group,
    std::string m_strName;   // the package name
    std::string m_strPath;   // and "%s\MMSSink\%s\%s.qmx" of them

    CFlatComboBox* m_cmbGroup;     // 1026
    uikit::CSortListCtrl* m_list;  // 1011, column "彩信名称"
    CSkinButton* m_btnOK;          // 1 " 插入"
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;

private:
    rows::RowStore m_rows{1};
};

// How the MMS records pages export: the type (0 a qmxs file, 1 single resource files) and,
// for type 0, the destination (0 the MMS library, 1 outside the system).
class CExportOptionDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 417;
    explicit CExportOptionDlg(QWidget* parent = nullptr);
    void OnOK() override;

    int m_nType = 0;  // after OK
    int m_nDest = 0;

    QRadioButton* m_radioQmxs;     // 1017 "导出为qmxs文件类型"
    QRadioButton* m_radioFiles;    // 1307 "导出为多个单一的资源文件"
    QRadioButton* m_radioSink;     // 1066 "导出到彩信资源仓库"
    QRadioButton* m_radioOutside;  // 1067 "导出到彩信系统之外"
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;

private:
    void EnableDestination();
};

// A frame's text, at most 5000 GBK bytes; a phrase of the phrase library may be appended.
class CFrameTextDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 327;
    static constexpr int kTextBytes = 5000;
    explicit CFrameTextDlg(QWidget* parent = nullptr);
    void OnOK() override;
    // 1002 "从短语库中插入": the chosen phrase goes to the end of the text.
    void OnBtnInsertPhrase();

    std::string m_strText;  // preset by the caller; after OK the text (CR LF line ends)

    CMultiLineEdit* m_editText;  // 1015
    CSkinButton* m_btnPhrase;    // 1002
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};

// The title of a forwarded or resent MMS, at most 40 GBK bytes.
class CMMSTitleDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 419;
    static constexpr int kTitleBytes = 40;
    explicit CMMSTitleDlg(QWidget* parent = nullptr);
    void OnOK() override;

    std::string m_strTitle;  // preset by the caller; after OK the title

    CSkinEdit* m_editTitle;  // 1043
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};
