#pragma once

#include <QtGlobal>

namespace kasplan {

// A named setting of the settings store with the default every reader uses.
struct BoolSetting
{
    const char* name;
    bool defaultValue;
};

struct IntegerSetting
{
    const char* name;
    qint32 defaultValue;
};

struct StringSetting
{
    const char* name;
    const char* defaultValue;
};

// Every value the program keeps in the settings store. Machine-wide values
// are read and written while the store's root is the machine-wide scope;
// all others follow the "UserSetsLoc" choice.
namespace Setting {

// Machine-wide.
inline constexpr IntegerSetting UserSetsLoc{"UserSetsLoc", 0}; // 0 shared, 1 per user
inline constexpr StringSetting Version{"Version", ""};         // settings version marker
// Upgrade markers: only their presence counts (any type).
inline constexpr const char* UpdateDBase = "UpdateDBase";
inline constexpr const char* DBaseVersion = "DBaseVersion";

// Main window.
inline constexpr IntegerSetting Season{"Season", 0}; // below 1990: not set
inline constexpr IntegerSetting BroeiMethode{"BroeiMethode", 0};
inline constexpr BoolSetting ShowWeeknrs{"ShowWeeknrs", false};

// Cultivar data settings.
inline constexpr BoolSetting CanDelEditStdRecs{"CanDelEditStdRecs", false};
inline constexpr IntegerSetting TussenTunit{"TussenTunit", 7}; // 1 days, 7 weeks
inline constexpr IntegerSetting Kperiodunit{"Kperiodunit", 7}; // 1 days, 7 weeks
inline constexpr BoolSetting ShowBroeiData{"ShowBroeiData", false};
inline constexpr BoolSetting UseKasplanCdata{"UseKasplanCdata", false};
inline constexpr IntegerSetting KasplanTypeCdata{"KasplanTypeCdata", 0};
inline constexpr StringSetting KasplanDBasePath{"KasplanDBasePath", ""};
inline constexpr IntegerSetting Maxpdadjustperc{"Maxpdadjustperc", 5};
inline constexpr IntegerSetting StdOogstType{"StdOogstType", 0};

// Cultivar selection.
inline constexpr BoolSetting CSelectVoorraadOnly{"CSelectVoorraadOnly", false};

// General settings.
inline constexpr BoolSetting PrintBlackWhite{"PrintBlackWhite", false};
inline constexpr IntegerSetting AreaUnit{"AreaUnit", 0}; // written only
inline constexpr IntegerSetting EurSymbol{"EurSymbol", 0};
inline constexpr IntegerSetting StdCurrency{"StdCurrency", 0}; // older home of the currency

} // namespace Setting
} // namespace kasplan
