#pragma once
// Auto-reply page. Its settings, tables, log and engine live in CAutoReply, shared with the
// receive thread's hook while a call runs.
#include "contacts/AutoReply.h"
#include "core/PageDlg.h"

#include <memory>
#include <string>

class CSkinButton;
class CSkinCheckBox;
class CSkinEdit;
class CSkinGroupBox;
class QLabel;
class QRadioButton;
namespace uikit {
class CSortListCtrl;
}

class CAutoReplyDlg : public CPageDlg {
    Q_OBJECT
public:
    static constexpr int IDD = 142;
    // Sets g_strAutoReplyIni and installs the engine as the receive hook.
    explicit CAutoReplyDlg(QWidget* parent = nullptr);
    // Removes the engine from the receive hook; a call still running keeps its state alive.
    ~CAutoReplyDlg() override;

    // Settings and tables from their files; the controls show them and the mode is applied.
    void LoadSettings();
    void SaveLists() { m_pEngine->SaveLists(); }
    void AddCyclicItem(const std::string& text, const std::string& file) { m_pEngine->AddCyclicItem(text, file); }
    void AppendLog(AutoReplyLogRecord& record) { m_pEngine->AppendLog(record); }
    int ProcessIncoming(const std::string& sender, const std::string& content, int type) {
        return m_pEngine->ProcessIncoming(sender, content, type);
    }
    std::string ChooseReply(const std::string& sender, const std::string& content, std::string& name,
                            std::string& text) {
        return m_pEngine->ChooseReply(sender, content, name, text);
    }
    CAutoReply& Engine() { return *m_pEngine; }
    const std::shared_ptr<CAutoReply>& EnginePtr() const { return m_pEngine; }

    // Shows one list and its controls: 1 the reply list, anything else the keyword table.
    void ApplyMode(int mode);

    // Handlers.
    void OnStart();
    void OnStop();
    void OnReplyAllNumbers();
    void OnReplyKnownNumbers();
    void OnFilterSMS();
    void OnFilterMMS();
    void OnFilterBoth();
    void OnReplyByContent();
    void OnReplyFromList();
    void OnAutoNumber();
    void OnRandomPick();
    void OnResetNumber();
    void OnSetEmptyReply();
    void OnSetDefaultReply();
    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnViewLog();
    void OnHelp();

    QRadioButton* m_radioStart;          // 1017
    QRadioButton* m_radioStop;           // 1279
    QRadioButton* m_radioAllNumbers;     // 1066
    QRadioButton* m_radioKnownNumbers;   // 1067
    QRadioButton* m_radioFilter[3];      // 1313, 1068, 1069
    QRadioButton* m_radioByContent;      // 1416
    QRadioButton* m_radioFromList;       // 1415
    CSkinCheckBox* m_checkAutoNumber;    // 1020
    CSkinCheckBox* m_checkRandom;        // 1434
    QLabel* m_label[3];                  // the three numbered labels
    CSkinEdit* m_editEmptyReply;         // 1043
    CSkinEdit* m_editOtherReply;         // 1044
    CSkinButton* m_btnSetEmpty;          // 1002
    CSkinButton* m_btnSetOther;          // 1003
    uikit::CSortListCtrl* m_listKeyword;  // 1280
    uikit::CSortListCtrl* m_listCyclic;   // 1011
    CSkinGroupBox* m_frame;              // 1245
    CSkinButton* m_btnAdd;               // 1079
    CSkinButton* m_btnModify;            // 1012
    CSkinButton* m_btnDelete;            // 1051
    CSkinButton* m_btnResetNumber;       // 1005
    CSkinButton* m_btnViewLog;           // 1004
    CSkinButton* m_btnHelp;              // 1052

private:
    void OnInitDialog();
    // The lists show their rows as they are now.
    void SyncLists();
    // After a change of a table: the lists shown as they are, the tables saved.
    void TablesChanged();
    // A default reply through the type choice, the library picker or the text dialog.
    void SetDefaultReply(CSkinEdit* edit, bool empty);

    std::shared_ptr<CAutoReply> m_pEngine;
};
