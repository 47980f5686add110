#pragma once
// The send-SMS page (template 137): the text, the sender name, the recipient list and the
// immediate, timed and cyclic sends through the SMS queue writer.
#include "core/PageDlg.h"
#include "core/PageGlobals.h"

#include <string>
#include <vector>

class CAdoConnection;
class CMultiLineEdit;
class CRecipientList;
class CSkinButton;
class CSkinCheckBox;
class CSkinEdit;
class QLabel;

class CSendSMSDlg : public CPageDlg {
    Q_OBJECT
public:
    static constexpr int IDD = 137;
    // The sender-name field takes at most this many GBK bytes.
    static constexpr int kSenderNameBytes = 30;

    explicit CSendSMSDlg(QWidget* parent = nullptr);
    ~CSendSMSDlg() override;

    // Refreshes label 1306 from the text, the sender name and the number of recipients.
    void UpdateLengthLabel();
    // The WAP Push step (see compose::PrepareMessageText); returns 1.
    int PrepareMessageText(std::string& text, bool& isWap);
    // The common commit of the timed and cyclic sends, with m_strSchedule set.
    void EnqueueScheduled();

    CRecipientList* Recipients() const { return m_recipients; }

    // The send-list import's dBase branch: 1 when the list was queued, 0 otherwise (silently).
    int ImportDbfFile(const std::string& strPath);
    // The user tables of an Access file; 0 after the reader's failure was shown.
    int ListAccessTables(const std::string& strPath, std::vector<std::string>& arrTables);
    // The connection the import works on: the one given here, else the main window's.
    void SetImportConnection(CAdoConnection* pConnection) { m_pImportConnection = pConnection; }

    std::string m_strSenderName;  // edit 1043
    bool m_bSalutation = false;   // check 1020
    bool m_bPriority = false;     // check 1301
    std::string m_strSchedule;    // set only while a timed or cyclic send is queued

    CMultiLineEdit* m_editContent;  // 1016
    CSkinEdit* m_editSenderName;    // 1043
    CSkinCheckBox* m_checkSalutation;
    CSkinCheckBox* m_checkPriority;
    QLabel* m_labelLength;  // 1306
    CSkinButton* m_btnInsertPhrase;
    CSkinButton* m_btnSendNow;
    CSkinButton* m_btnSendTimed;
    CSkinButton* m_btnSendCyclic;
    CSkinButton* m_btnSendExcelFile;
    CSkinButton* m_btnWapPushHelp;

public slots:
    void OnBtnSalutationNote();
    void OnBtnInsertPhrase();
    void OnBtnSendNow();
    void OnBtnSendTimed();
    void OnBtnSendCyclic();
    void OnBtnWapPushHelp();
    void OnBtnSendExcelFile();
    void OnContentChange();

private:
    void OnInitDialog();
    // Takes the fields into the members; false (after the standard box) when the sender name
    // is longer than its field.
    bool UpdateData();
    // The content text with quotes replaced.
    std::string ContentText() const;
    // The numbers to queue for the list, prefix included: those entries that pass the number
    // check.
    std::vector<std::string> QueuedRecipients() const;
    // The same with the wait cursor; false after the message when there is none.
    bool TakeNumbers(std::vector<std::string>& numbers);
    // The message of a send without numbers to queue.
    void NoRecipients();
    // The success message, once the list is emptied.
    void FinishQueued();
    // The timed or cyclic send through the given schedule dialog.
    void SendScheduled(bool cyclic);

    CRecipientList* m_recipients;
    CAdoConnection* m_pImportConnection = nullptr;
};
