#pragma once

#include "TCustomNumInp.h"

namespace kasplan {

// The numeric input field with its properties published.
class TNumInp : public TCustomNumInp
{
    Q_OBJECT

public:
    using TCustomNumInp::TCustomNumInp;

    using TCustomNumInp::Alignment;
    using TCustomNumInp::AsByte;
    using TCustomNumInp::AsDouble;
    using TCustomNumInp::AsInteger;
    using TCustomNumInp::AsShortint;
    using TCustomNumInp::AsSingle;
    using TCustomNumInp::AsSmallInt;
    using TCustomNumInp::AsWord;
    using TCustomNumInp::AutoSelect;
    using TCustomNumInp::Datatype;
    using TCustomNumInp::Decimals;
    using TCustomNumInp::Digits;
    using TCustomNumInp::Max;
    using TCustomNumInp::MaxTextLength;
    using TCustomNumInp::Min;
    using TCustomNumInp::NegativeColor;
    using TCustomNumInp::NumericType;
    using TCustomNumInp::setAlignment;
    using TCustomNumInp::setAutoSelect;
    using TCustomNumInp::setDatatype;
    using TCustomNumInp::setDecimals;
    using TCustomNumInp::setDigits;
    using TCustomNumInp::setMax;
    using TCustomNumInp::setMin;
    using TCustomNumInp::setNegativeColor;
    using TCustomNumInp::setNumericType;
    using TCustomNumInp::setTabOnEnterKey;
    using TCustomNumInp::setValidate;
    using TCustomNumInp::setValue;
    using TCustomNumInp::TabOnEnterKey;
    using TCustomNumInp::Validate;
    using TCustomNumInp::Value;
};

// The numeric field as forms hold it: a TNumInp with the same behaviour.
class TNumFld : public TNumInp
{
    Q_OBJECT

public:
    using TNumInp::TNumInp;
};

} // namespace kasplan
