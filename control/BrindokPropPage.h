#pragma once
// The control's property page, "General": the control has no property a user sets by hand, so
// the page only holds a note. CBrindokPropPageObject is the page as a component object, made by its
// class factory; ShowPropertyFrame shows the pages an object names in one modal frame.
#include "control/com/com.h"

#include <QWidget>
#include <vector>

class CBrindokPropPage : public QWidget {
    Q_OBJECT
public:
    explicit CBrindokPropPage(QWidget* parent = nullptr);
    static QString Caption();
};

class CBrindokPropPageObject final : public com::IPropertyPage {
public:
    CBrindokPropPageObject();
    CBrindokPropPageObject(const CBrindokPropPageObject&) = delete;
    CBrindokPropPageObject& operator=(const CBrindokPropPageObject&) = delete;

    com::HResult QueryInterface(const com::Guid& iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    com::HResult Activate(QWidget* parent, QWidget** page, QString* caption) override;

private:
    ~CBrindokPropPageObject();
    uint32_t references_ = 1;
};

namespace brindok {

// A modal frame titled "<objectName> のプロパティ" with one tab per page that this library can
// make; returns when the user closes it.
void ShowPropertyFrame(QWidget* parent, const QString& objectName, const std::vector<com::Guid>& pages);

} // namespace brindok
