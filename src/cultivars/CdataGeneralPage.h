#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

namespace kasplan {

class FieldPlaceholder;
class TDMod;

// The cultivar data window's tab "Algemeen": the fields of the current
// cultivar that hold for all its sizes.
class CdataGeneralPage : public QWidget
{
    Q_OBJECT

public:
    explicit CdataGeneralPage(TDMod& dmod, QWidget* parent = nullptr);

    QLabel* const AlleZiftenLabel;
    QGroupBox* const BollenBox;
    FieldPlaceholder* const BolArtikelcodeEdit;
    FieldPlaceholder* const HoofdGroepDBIndexComboBox;
    FieldPlaceholder* const CertifNrEdit;
    FieldPlaceholder* const KlasseComboBox;
    FieldPlaceholder* const CountryComboBox;
    QGroupBox* const BloemenBox;
    FieldPlaceholder* const ArtikelcodeEdit;
    FieldPlaceholder* const ProductTypeDBIndexComboBox;
    FieldPlaceholder* const KleurEdit;
    FieldPlaceholder* const BladEdit;
    FieldPlaceholder* const StatusText;
    QGroupBox* const OpmerkingenBox;
    FieldPlaceholder* const RemarksMemo;
};

} // namespace kasplan
