// Values for the host-variable markers of statements: parsing "--param NAME[:TYPE]=VALUE", the set
// of values the user gave, finding the ":name" markers of a statement, and pairing each marker with
// its value in the order the backend binds them.
#pragma once

#include "tools/tnxsql/Backend.h"
#include "tools/tnxsql/Value.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tnxsql {

// A parameter that cannot be parsed, or a marker without a value. The message says which and why.
class ParamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One named value; owns its bytes.
class ParamValue {
public:
    ParamValue() = default;
    ParamValue(std::string name, Cell scalar);                      // any kind but Text and Binary
    ParamValue(std::string name, CellKind kind, std::string bytes); // Text or Binary

    const std::string& Name() const { return FName; }
    CellKind Kind() const { return FKind; }
    // The value as a cell; text and binary cells view this object's bytes, so the cell is valid
    // while this object lives and is not changed.
    Cell Value() const;

private:
    std::string FName;
    CellKind FKind = CellKind::Null;
    Cell FScalar;       // the value when it is no text or binary
    std::string FBytes; // the bytes of a text or binary value
};

// Parses "NAME[:TYPE]=VALUE" (or "NAME:null"). NAME is letters, digits and underscores, not starting
// with a digit. TYPE is text (the default), int, float, bool, date (YYYY-MM-DD), time
// (HH:MM[:SS[.ffffff]]), datetime (date, a blank or T, time), binary (hexadecimal digits, an
// optional 0x in front) or null. A VALUE "@FILE" is read from FILE: whole for text, its bytes as
// they are for binary, its text without the line ends that close it for the other types; "@@" at
// the start stands for one "@". Throws ParamError with a message naming the problem.
ParamValue ParseParam(std::string_view given);

// The type a parameter's TYPE names (any letter case): text or string, int or integer, float or
// double, bool or boolean, date, time, datetime or timestamp, binary or hex, null. False for a
// name of no type.
bool ParamTypeKind(std::string_view name, CellKind& kind);
// The name a value of this kind is listed under (the first name of its type above).
std::string_view ParamTypeName(CellKind kind);

// Parsers for the calendar forms above; false when the text is not one. Shared with the formats.
bool ParseDate(std::string_view text, Timestamp& out);
bool ParseTime(std::string_view text, Timestamp& out);
bool ParseDateTime(std::string_view text, Timestamp& out);

// The values the user gave, looked up by name without regard to letter case.
class ParamSet {
public:
    // Adds the value, replacing one of the same name.
    void Set(ParamValue value);
    // Removes a value; false when there was none.
    bool Remove(std::string_view name);
    const ParamValue* Find(std::string_view name) const;
    const std::vector<ParamValue>& Items() const { return FItems; }
    bool Empty() const { return FItems.empty(); }

private:
    std::vector<ParamValue> FItems;
};

// A ":name" marker of a statement.
struct Marker {
    std::string_view Name; // without the colon; a view into the statement text
    size_t Offset = 0;     // of the colon in the statement text
};

// The markers of a statement in order of appearance. A marker is a colon followed by a name
// (letters, digits, underscores, not starting with a digit) outside quoted text ('...', "...",
// [...]) and comments; "::" is no marker.
std::vector<Marker> FindMarkers(std::string_view sql);

// One value per marker of `sql`, in marker order, ready for Backend::Execute. The cells view the
// values in `params`. Throws ParamError naming the first marker that has no value.
std::vector<BoundParam> BindParams(std::string_view sql, const ParamSet& params);

} // namespace tnxsql
