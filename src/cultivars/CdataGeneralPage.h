#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

namespace kasplan {

class TDBComboBox;
class TDBEdit;
class TDBIndexComboBox;
class TDBMemo;
class TDBText;
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
    TDBEdit* const BolArtikelcodeEdit;
    TDBIndexComboBox* const HoofdGroepDBIndexComboBox;
    TDBEdit* const CertifNrEdit;
    TDBComboBox* const KlasseComboBox;
    TDBComboBox* const CountryComboBox;
    QGroupBox* const BloemenBox;
    TDBEdit* const ArtikelcodeEdit;
    TDBIndexComboBox* const ProductTypeDBIndexComboBox;
    TDBEdit* const KleurEdit;
    TDBEdit* const BladEdit;
    TDBText* const StatusText;
    QGroupBox* const OpmerkingenBox;
    TDBMemo* const RemarksMemo;
};

} // namespace kasplan
