#include "TNewCultivarForm.h"

#include "core/ErrorBarrier.h"
#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "db/rules/CodedValues.h"
#include "widgets/DesignFont.h"
#include "widgets/WindowPlacement.h"
#include "widgets/bound/TDBEdit.h"
#include "widgets/bound/TDBIndexComboBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace kasplan {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

TNewCultivarForm::TNewCultivarForm(TDMod& dmod, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Label1(label(this, "Label1", QStringLiteral("Cultivar naam"))),
      DBEdit1(new TDBEdit(dmod.dsCdata(), QStringLiteral("Cultivar"), this)),
      Label2(label(this, "Label2", QStringLiteral("Herkomst"))),
      DBEdit2(new TDBEdit(dmod.dsCdata(), QStringLiteral("Source"), this)),
      HGLabel(label(this, "HGLabel", QStringLiteral("Hoofdgroep"))),
      HoofdGroepDBIndexComboBox(new TDBIndexComboBox(dmod.dsCdata(), QStringLiteral("Hoofdgroep"),
                                                     CodedValues::HoofdgroepItems(), this)),
      Button1(new QPushButton(QStringLiteral("OK"), this)),
      Button2(new QPushButton(QStringLiteral("Cancel"), this)), m_dmod(dmod)
{
    setObjectName(QStringLiteral("NewCultivarForm"));
    setWindowTitle(QStringLiteral("Vul Cultivar / Herkomst in"));
    setFixedSize(352, 183);
    setFont(DesignFont(QStringLiteral("MS Sans Serif"), 14));

    Label1->setBuddy(DBEdit1);
    Label2->setBuddy(DBEdit2);
    HGLabel->setBuddy(HoofdGroepDBIndexComboBox);
    Label1->setGeometry(16, 20, 92, 16);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->setGeometry(112, 16, 224, 24);
    Label2->setGeometry(16, 56, 92, 16);
    DBEdit2->setObjectName(QStringLiteral("DBEdit2"));
    DBEdit2->setGeometry(112, 52, 224, 24);
    HGLabel->setGeometry(16, 92, 92, 16);
    HoofdGroepDBIndexComboBox->setObjectName(QStringLiteral("HoofdGroepDBIndexComboBox"));
    HoofdGroepDBIndexComboBox->setGeometry(112, 88, 224, 24);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setGeometry(160, 140, 80, 28);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(256, 140, 80, 28);
    setTabOrder(DBEdit1, DBEdit2);
    setTabOrder(DBEdit2, HoofdGroepDBIndexComboBox);
    setTabOrder(HoofdGroepDBIndexComboBox, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, &TNewCultivarForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    centreOnScreen(*this);
}

bool TNewCultivarForm::Confirm(TDMod& dmod, QWidget* owner)
{
    TNewCultivarForm form(dmod, owner);
    return form.exec() == QDialog::Accepted;
}

void TNewCultivarForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TNewCultivarForm::FormShow()
{
    const bool copying = m_dmod.Copying();
    DBEdit1->setEnabled(!copying);
    (copying ? DBEdit2 : DBEdit1)->setFocus(Qt::OtherFocusReason);
    // A copy keeps the main group of its original; a new cultivar gets the
    // one the cultivar list shows ("Alle" is 0, "(algemeen)").
    if (!copying && m_dmod.tbCdata()->isEditing())
        m_dmod.tbCdata()
            ->fieldByName(QStringLiteral("Hoofdgroep"))
            ->setValue(m_dmod.HoofdgroepChoice());
}

bool TNewCultivarForm::nameIsEmpty() const
{
    const db::TableView* cdata = m_dmod.tbCdata();
    return !cdata->isActive() ||
           cdata->fieldByName(QStringLiteral("Cultivar"))->asString().trimmed().isEmpty();
}

void TNewCultivarForm::Button1Click()
{
    db::TableView* cdata = m_dmod.tbCdata();
    // What is still being typed counts; a refusal keeps the dialog open.
    if (!Guarded([cdata] { cdata->updateRecord(); }))
        return;
    // Checked before the post: a record without a name is never written, so
    // Cancel still leaves nothing behind.
    if (nameIsEmpty())
        return;
    if (!Guarded([cdata] {
            if (cdata->isEditing())
                cdata->post();
        }))
        return;
    accept();
}

void TNewCultivarForm::done(int result)
{
    if (result != QDialog::Rejected && nameIsEmpty())
        return;
    QDialog::done(result);
}

void TNewCultivarForm::keyPressEvent(QKeyEvent* event)
{
    // Cancel is not the dialog's cancel button: Escape closes nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kasplan
