#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kasplan {

// The version window: the program's version strings and a link to the
// maker's home page. Created, shown modally and freed by its caller.
class TVersionInfoForm : public QDialog
{
    Q_OBJECT

public:
    explicit TVersionInfoForm(QWidget* parent = nullptr);

    QLabel* const CompanyNameLabel;
    QLabel* const FileDescriptionLabel;
    QLabel* const FileVersionLabel;
    QLabel* const LegalCopyrightLabel;
    QLabel* const ProductVersionLabel;
    QLabel* const CommentsLabel;
    QLabel* const Label7;
    QPushButton* const Button1;

private:
    void FormCreate();
    void Label7Click();

    QString m_homePage;
};

} // namespace kasplan
