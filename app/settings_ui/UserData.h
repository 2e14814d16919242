#pragma once
// The settings dialog UserData, "モルヴィクCHECKERの設定": the three POP3 accounts, SMTP, the
// network connection, checks, flags, the clock, palk's chores, the launcher entries and the
// archive kinds this build unpacks, on five tabs.
//
// It is also where the mail code reads the accounts from while it is open (MailAccounts: the
// account boxes, the ports, Check2 and Check3, saved or not); while it is not, the mail code reads
// the stored values its load would show (mail::storedAccounts), without loading it. Each load fills
// every control afresh from the settings database, the settings file, the dialogue database (the
// launch voices) and NetworkManager (the entries of Combo7), so reopening it drops unsaved edits.
//
// A save is all or nothing: the name and the ports are checked first, then the database rows are
// updated in one transaction, and while it is open the 35 keys are written in one rewrite of the
// settings file; the rows are committed only when that rewrite succeeded. Then her menu item
// `shutdown` and her battery watch follow Check4 and Check6, and the dialog unloads. A refused or
// failed save says why in the program's message box (morvik::MessageBox) and leaves the dialog
// open and both stores as they were.
//
// The OK button follows the account boxes and check boxes on every change, the load's own
// assignments included (Check1_Click to Check3_Click, accountChanged). The launcher tab registers
// and clears launcher entries at once, apart from a save. GUI thread only.
#include "app/mail/accounts.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <utility>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class VBRas32;

class UserData : public QDialog {
    Q_OBJECT
public:
    explicit UserData(QWidget* parent = nullptr);
    ~UserData() override;

    // The default instance, loading it hidden when it is not loaded.
    static UserData& Default();
    // Shows the default instance, loading it first when it is not loaded (her menu's 設定).
    static UserData* Show();
    // The default instance while it is loaded, else null.
    static UserData* Loaded() { return instance_; }
    // Unloads the default instance without saving.
    static void Unload();
    // The accounts as the loaded dialog's boxes and switches hold them, or nothing while it is not
    // loaded: the mail code's reader (mail::setAccountsReader).
    static std::optional<mail::Accounts> MailAccounts();

    // Controls, named as the window's design names them.
    QTabWidget* SSTab1;
    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4, *Frame5, *Frame6, *Frame7, *Frame8, *Frame9, *Frame10,
        *Frame11, *Frame12, *Frame13, *Frame14, *Frame15, *Frame16;
    QLineEdit *popSV, *mailAC, *pass, *popSV2, *mailAC2, *pass2, *popSV3, *mailAC3, *pass3;
    QLineEdit *portSV, *portSV2, *portSV3;
    QCheckBox *Check1, *Check2, *Check3, *Check4, *Check5, *Check6, *Check7, *Check8, *Check9, *Check10,
        *Check11, *Check12, *Check13, *Check14, *Check15, *Check16;
    QCheckBox *palk_kick, *vens_kick, *dwim_kick;
    QCheckBox *palk_check1, *palk_check2, *palk_check3, *palk_check4, *palk_check5;
    QComboBox *Combo1, *Combo2, *Combo3, *Combo4, *Combo5, *Combo6, *Combo7;
    QLineEdit *MasterName, *Text3, *Text4, *smtpSV, *smtpML, *sntpTXT;
    QLabel *Label11, *lblVersion, *Image1, *Image2;
    QComboBox *lunch_id, *lunch_voice, *quick_lu_id;
    QLineEdit *lunch_name, *lunch_pass;
    QPushButton *lunch_pass_select, *lunch_insert, *lunch_delete;
    QPushButton *Command1, *Command2;
    QStatusBar* StatusBar1;
    // The file chooser of lunch_pass_select: made at its first use and kept while the dialog is
    // loaded, so it opens where the last choice was.
    QPointer<QFileDialog> CommonDialog1;
    // The dial-up object whose entries fill Combo7; made by the load.
    VBRas32* RasSample = nullptr;

    // The load: fills every control from the stores.
    void Form_Load();
    // Save, then unload; a refused or failed save keeps the dialog.
    void Command1_Click();
    // Unload without saving.
    void Command2_Click();

    // The OK button's rules.
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void accountChanged(int account);

    // The launcher tab.
    void lunch_id_Click();
    void lunch_insert_Click();
    void lunch_delete_Click();
    void lunch_pass_select_Click();

    // Fills Label11 with the archive kinds this build unpacks.
    void ShowDllVersions();

    // The 35 keys of the settings file a save writes, in its order, with the values it would write.
    QList<std::pair<QString, QString>> Keys() const;

    // Texts the dialog says.
    static const QString kNameTooLong;
    static const QString kPortNotNumber;
    static const QString kAccount1Always;
    static const QString kNotSaved;
    static const QString kChooseSlot;
    static const QString kChoosePath;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void message(const QString& text);
    void buildTabs();
    // Whether the save may go on: the name and the ports.
    bool validate();

    inline static QPointer<UserData> instance_;
};
