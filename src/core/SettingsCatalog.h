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
    // The values that mean something; any other stored value reads as the
    // default. Null: every value.
    bool (*possible)(qint32 value) = nullptr;

    // The value a reader works with for what is stored.
    constexpr qint32 valueOf(qint32 stored) const
    {
        return possible && !possible(stored) ? defaultValue : stored;
    }
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

// A unit of day counts: 1 days, 7 weeks.
constexpr bool isPeriodUnit(qint32 value)
{
    return value == 1 || value == 7;
}
// The item index of the forcing method list: 0 "Grond", 1 "Water", 2 "IJstulpen".
constexpr bool isForcingMethod(qint32 value)
{
    return value >= 0 && value <= 2;
}

// Machine-wide.
inline constexpr IntegerSetting UserSetsLoc{"UserSetsLoc", 0}; // 0 shared, 1 per user
inline constexpr StringSetting Version{"Version", ""};         // settings version marker
// Upgrade markers: only their presence counts (any type).
inline constexpr const char* UpdateDBase = "UpdateDBase";
inline constexpr const char* DBaseVersion = "DBaseVersion";
// When set, the next start offers once more to take over the old cultivar
// tables found in the standard database folder, also when it holds a
// database already. Cleared when the offer has been made.
inline constexpr BoolSetting OfferOldTables{"OfferOldTables", false};

// Main window.
inline constexpr IntegerSetting Season{"Season", 0}; // below 1990: not set
inline constexpr IntegerSetting BroeiMethode{"BroeiMethode", 0, isForcingMethod};
inline constexpr BoolSetting ShowWeeknrs{"ShowWeeknrs", false};
// Where the window was (its saved geometry, base64); empty: never closed.
inline constexpr StringSetting MainFormPlacement{"MainFormPlacement", ""};
// The size record of the last run; an empty cultivar: none.
inline constexpr StringSetting LastCultivar{"LastCultivar", ""};
inline constexpr StringSetting LastSource{"LastSource", ""};
inline constexpr StringSetting LastSize{"LastSize", ""};

// Cultivar data settings.
inline constexpr BoolSetting CanDelEditStdRecs{"CanDelEditStdRecs", false};
// Anything but days counts as weeks, in every window and report.
inline constexpr IntegerSetting TussenTunit{"TussenTunit", 7, isPeriodUnit};
inline constexpr IntegerSetting Kperiodunit{"Kperiodunit", 7, isPeriodUnit};
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
