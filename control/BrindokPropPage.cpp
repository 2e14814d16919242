#include "BrindokPropPage.h"

#include "control/AboutBox.h"
#include "control/dialog_units.h"
#include "control/module.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

CBrindokPropPage::CBrindokPropPage(QWidget* parent) : QWidget(parent) {
    setWindowTitle(Caption());
    QFont small = font();
    small.setPointSize(9);
    setFont(small);
    auto* note = new QLabel(
        QStringLiteral("このページには、コントロールのプロパティを設定する項目が入ります。"), this);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addStretch();
    setMinimumSize(brindok::dialogUnits(small, 250, 62));
}

QString CBrindokPropPage::Caption() {
    return QStringLiteral("General");
}

CBrindokPropPageObject::CBrindokPropPageObject() {
    brindok::module::objectCreated();
}

CBrindokPropPageObject::~CBrindokPropPageObject() {
    brindok::module::objectDestroyed();
}

com::HResult CBrindokPropPageObject::QueryInterface(const com::Guid& iid, void** object) {
    if (!object)
        return com::E_POINTER;
    if (iid == com::IID_IUnknown || iid == com::IID_IPropertyPage) {
        *object = static_cast<com::IPropertyPage*>(this);
        AddRef();
        return com::S_OK;
    }
    *object = nullptr;
    return com::E_NOINTERFACE;
}

uint32_t CBrindokPropPageObject::AddRef() {
    return ++references_;
}

uint32_t CBrindokPropPageObject::Release() {
    const uint32_t left = --references_;
    if (left == 0)
        delete this;
    return left;
}

com::HResult CBrindokPropPageObject::Activate(QWidget* parent, QWidget** page, QString* caption) {
    if (!page)
        return com::E_POINTER;
    *page = new CBrindokPropPage(parent);
    if (caption)
        *caption = CBrindokPropPage::Caption();
    return com::S_OK;
}

namespace brindok {

void ShowPropertyFrame(QWidget* parent, const QString& objectName, const std::vector<com::Guid>& pages) {
    QDialog frame(parent);
    frame.setWindowTitle(objectName + QStringLiteral(" のプロパティ"));
    frame.setWindowIcon(QIcon(controlIcon(16)));
    auto* tabs = new QTabWidget(&frame);
    for (const com::Guid& clsid : pages) {
        com::Ptr<com::IClassFactory> factory;
        if (com::failed(module::getClassObject(clsid, com::IID_IClassFactory, factory.put())))
            continue;
        com::Ptr<com::IPropertyPage> page;
        if (com::failed(factory->CreateInstance(nullptr, com::IID_IPropertyPage, page.put())))
            continue;
        QWidget* widget = nullptr;
        QString caption;
        if (com::succeeded(page->Activate(tabs, &widget, &caption)))
            tabs->addTab(widget, caption);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &frame);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &frame, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &frame, &QDialog::reject);
    auto* layout = new QVBoxLayout(&frame);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    frame.exec();
}

} // namespace brindok
