#include "dokoitu_01.h"

#include "dokoitu_02.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QVBoxLayout>

namespace dokoitu {
namespace {

struct ChooserEntry {
    const char* text;
    heart::Table table;
};
// In the order the chooser lists them.
const ChooserEntry kChooser[] = {
    {"毒舌1", heart::Table::otaku},
    {"毒舌2", heart::Table::otaku2},
    {"花言葉", heart::Table::flower},
    {"ユーザーデータ", heart::Table::User_Table},
};

} // namespace

bool Message(QWidget* parent, Icon icon, const QString& text) {
    if (MessageBox)
        return MessageBox(parent, icon, text);
    const bool question = icon == Icon::question;
    QMessageBox box(question ? QMessageBox::Question : QMessageBox::Warning,
                    QStringLiteral("QTV-52モルヴィク"), text,
                    question ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent);
    return box.exec() == QMessageBox::Ok;
}

std::optional<heart::Table> TableFor(const QString& chooserText) {
    for (const ChooserEntry& entry : kChooser) {
        if (chooserText == QString::fromUtf8(entry.text))
            return entry.table;
    }
    return std::nullopt;
}

QString ChooserText(heart::Table table) {
    for (const ChooserEntry& entry : kChooser) {
        if (entry.table == table)
            return QString::fromUtf8(entry.text);
    }
    return QString::fromLatin1(heart::tableName(table));
}

bool TakesAddsAndDeletes(heart::Table table) {
    return table == heart::Table::User_Table;
}

QString DatabaseFailure(const QString& error) {
    return QStringLiteral("データベースの操作に失敗しました: %1").arg(error);
}

QString WriteFailure(heart::Connection& db, heart::Table table, int id) {
    // A change or a delete also fails, without an error of the database, when the row has gone
    // since it was listed (deleted while its edit window was open).
    const QString error = db.error();
    if (!heart::readWords(db, table, id) && heart::countRows(db, table))
        return DatabaseFailure(QStringLiteral("ID %1 の行がありません").arg(id));
    return DatabaseFailure(error);
}

QHBoxLayout* ButtonRow(QWidget* editor, std::span<QPushButton*> buttons, std::span<const char* const> captions,
                       const std::function<void(int)>& clicked) {
    auto* row = new QHBoxLayout;
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), editor);
        buttons[i]->setObjectName(QStringLiteral("Command1_%1").arg(i));
        QObject::connect(buttons[i], &QPushButton::clicked, editor, [clicked, i] { clicked(i); });
        row->addWidget(buttons[i]);
    }
    return row;
}

QStatusBar* StatusBar(QWidget* editor) {
    auto* bar = new QStatusBar(editor);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    return bar;
}

} // namespace dokoitu

dokoitu_01::dokoitu_01(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("dokoitu_01"));
    setWindowTitle(QStringLiteral("DOKOITU　SYSTEM"));
    setAttribute(Qt::WA_DeleteOnClose);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Command2 = new QPushButton(QStringLiteral("テーブルの変更"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setStretchLastSection(false);
    StatusBar1 = dokoitu::StatusBar(this);

    static const char* const captions[] = {"追　加", "変　更", "削　除", "一括登録", "閉じる"};
    auto* buttons = dokoitu::ButtonRow(this, Command1, captions, [this](int i) { Command1_Click(i); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    auto* chooser = new QHBoxLayout;
    chooser->addWidget(Combo1, 1);
    chooser->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(chooser);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);
    resize(480, 360);

    Form_Load();
}

dokoitu_01* dokoitu_01::Show() {
    return dokoitu::ShowDefault(instance_);
}

void dokoitu_01::closeEvent(QCloseEvent* event) {
    dokoitu::Forget(instance_, this);
    event->accept();
}

void dokoitu_01::Form_Load() {
    ListView1->setColumnCount(4);
    ListView1->setHeaderLabels({QString(), QString(), QString(), QString()});
    // The id column is there for the program, not for the eye.
    ListView1->setColumnWidth(0, 0);
    ListView1->setColumnHidden(0, true);
    for (int column = 1; column <= 3; ++column)
        ListView1->setColumnWidth(column, 142);

    dokoitu::EditTable = QString::fromLatin1(heart::tableName(heart::Table::User_Table));
    make_view();
    Command1[3]->setEnabled(false);

    for (const dokoitu::ChooserEntry& entry : dokoitu::kChooser)
        Combo1->addItem(QString::fromUtf8(entry.text));
    Combo1->setCurrentText(dokoitu::ChooserText(heart::Table::User_Table));
}

void dokoitu_01::Command2_Click() {
    const auto table = dokoitu::TableFor(Combo1->currentText());
    if (!table)
        return;
    dokoitu::EditTable = QString::fromLatin1(heart::tableName(*table));
    make_view();
}

void dokoitu_01::Command1_Click(int index) {
    const auto table = heart::tableFromName(dokoitu::EditTable);
    switch (index) {
    case 0:
        if (!table || !dokoitu::TakesAddsAndDeletes(*table))
            return;
        dokoitu::EditMode = QStringLiteral("0");
        dokoitu_02::Show();
        return;
    case 1:
        dokoitu::EditMode = QStringLiteral("1");
        change();
        return;
    case 2:
        if (!table || !dokoitu::TakesAddsAndDeletes(*table))
            return;
        del_data();
        return;
    case 4:
        close();
        return;
    default:
        return;
    }
}

void dokoitu_01::make_view() {
    // The buttons follow the table that is listed, so that an add or a delete can never reach a
    // shipped table whatever the chooser shows.
    const auto table = heart::tableFromName(dokoitu::EditTable);
    const bool grows = table && dokoitu::TakesAddsAndDeletes(*table);
    Command1[0]->setEnabled(grows);
    Command1[2]->setEnabled(grows);
    if (grows)
        Command1[1]->setEnabled(true);

    ListView1->clear();
    StatusBar1->clearMessage();
    if (!table || !heart::isEditable(*table))
        return;
    auto opened = heart::open();
    if (!opened.db) {
        StatusBar1->showMessage(dokoitu::DatabaseFailure(opened.error));
        return;
    }
    for (const heart::ListedRow& row : heart::listRows(*opened.db, *table)) {
        auto* item = new QTreeWidgetItem(ListView1);
        item->setText(0, QString::number(row.id));
        item->setText(1, row.words.word1.value_or(QString()));
        item->setText(2, row.words.word2.value_or(QString()));
        item->setText(3, row.words.word3.value_or(QString()));
    }
}

std::optional<int> dokoitu_01::chosenRow() const {
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        if (ListView1->topLevelItem(i)->isSelected())
            return i + 1;
    }
    return std::nullopt;
}

void dokoitu_01::change() {
    const auto row = chosenRow();
    // With no row chosen there is nothing to change, as with the first row.
    if (!row || *row == 1) {
        dokoitu::Message(this, dokoitu::Icon::exclamation, QStringLiteral("この項目は変更できません"));
        return;
    }
    const QTreeWidgetItem* item = ListView1->topLevelItem(*row - 1);
    dokoitu::EditRow = static_cast<qint16>(*row);
    dokoitu::EditId = item->text(0).toInt();
    for (int i = 0; i < 3; ++i)
        dokoitu::EditWords[i] = item->text(i + 1);
    dokoitu_02::Show();
}

void dokoitu_01::del_data() {
    const auto row = chosenRow();
    if (!row || *row == 1) {
        dokoitu::Message(this, dokoitu::Icon::exclamation, QStringLiteral("削除できません"));
        return;
    }
    const auto table = heart::tableFromName(dokoitu::EditTable);
    if (!table)
        return;
    const QTreeWidgetItem* item = ListView1->topLevelItem(*row - 1);
    const int id = item->text(0).toInt();
    const QString question = item->text(1) + item->text(2) + item->text(3) + QLatin1Char('\n') +
                             QStringLiteral("を削除します、よろしいですか？");
    if (!dokoitu::Message(this, dokoitu::Icon::question, question))
        return;

    auto opened = heart::open();
    if (!opened.db) {
        dokoitu::Message(this, dokoitu::Icon::exclamation, dokoitu::DatabaseFailure(opened.error));
        return;
    }
    if (!heart::deleteRow(*opened.db, *table, id))
        dokoitu::Message(this, dokoitu::Icon::exclamation, dokoitu::WriteFailure(*opened.db, *table, id));
    opened.db.reset();
    make_view();
}
