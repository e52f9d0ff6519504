#include "TVersionInfoForm.h"

#include "WindowPlacement.h"

#include "core/AppGlobals.h"
#include "core/Version.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace kasplan {

namespace {

QLabel* valueLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TVersionInfoForm::TVersionInfoForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      CompanyNameLabel(valueLabel("CompanyNameLabel", this)),
      FileDescriptionLabel(valueLabel("FileDescriptionLabel", this)),
      FileVersionLabel(valueLabel("FileVersionLabel", this)),
      LegalCopyrightLabel(valueLabel("LegalCopyrightLabel", this)),
      ProductVersionLabel(valueLabel("ProductVersionLabel", this)),
      CommentsLabel(valueLabel("CommentsLabel", this)), Label7(new QLabel(this)),
      Button1(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("VersionInfoForm"));
    setWindowTitle(QStringLiteral("Versie Informatie"));
    setFixedSize(374, 281);

    CommentsLabel->setWordWrap(true);
    CommentsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setToolTip(QStringLiteral("Klik om naar de ZandhofServices homepage te gaan"));
    Label7->setTextFormat(Qt::RichText);
    Label7->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    Label7->setCursor(Qt::PointingHandCursor);
    connect(Label7, &QLabel::linkActivated, this, &TVersionInfoForm::Label7Click);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    const std::pair<const char*, QLabel*> rows[] = {
        {"Company:", CompanyNameLabel},
        {"File Description:", FileDescriptionLabel},
        {"File Version:", FileVersionLabel},
        {"Legal Copyright:", LegalCopyrightLabel},
        {"Product version:", ProductVersionLabel},
        {"Comments:", CommentsLabel},
        {"Internet:", Label7},
    };
    int row = 0;
    for (const auto& [caption, value] : rows) {
        auto* captionLabel = new QLabel(QLatin1String(caption), this);
        captionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(captionLabel, row, 0);
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1); // the comments may take several lines

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    FormCreate();
    centreOnScreen(*this);
}

void TVersionInfoForm::FormCreate()
{
    const VersionResource& version = programVersion();
    CompanyNameLabel->setText(version.ReadVersionString(QStringLiteral("CompanyName")));
    FileDescriptionLabel->setText(version.ReadVersionString(QStringLiteral("FileDescription")));
    LegalCopyrightLabel->setText(version.ReadVersionString(QStringLiteral("LegalCopyright")));
    ProductVersionLabel->setText(version.ReadVersionString(QStringLiteral("ProductVersion")));
    CommentsLabel->setText(version.ReadVersionString(QStringLiteral("Comments")));
    FileVersionLabel->setText(AppFileVersion());

    m_homePage = version.ReadVersionString(QStringLiteral("HomePage"));
    const QString shown = m_homePage.toHtmlEscaped();
    Label7->setText(m_homePage.isEmpty() ? QString()
                                         : QStringLiteral("<a href=\"%1\">%1</a>").arg(shown));
}

void TVersionInfoForm::Label7Click()
{
    if (!m_homePage.isEmpty())
        QDesktopServices::openUrl(QUrl(m_homePage));
}

} // namespace kasplan
