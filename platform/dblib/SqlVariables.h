// SQL variables of a connection (CREATE VARIABLE / SET / DROP VARIABLE). A variable keeps its
// value in the storage class of its declared type and owns its bytes; appending to a text or
// binary variable grows its buffer geometrically, so building a value from n pieces costs time
// linear in its final length. The store is per connection and therefore unguarded: only the
// thread running the connection's request touches it.
#pragma once

#include "platform/dblib/ByteBuffer.h"
#include "platform/dblib/Convert.h"
#include "platform/dblib/TypeMap.h"
#include "platform/dblib/Value.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tnxdb {

class SqlVariable {
public:
    SqlVariable(std::string name, DeclaredType type) : FName(std::move(name)), FType(type) {}

    const std::string& Name() const { return FName; }
    const DeclaredType& Type() const { return FType; }
    // A view of the current value; valid until the variable changes.
    Value View() const;
    // Replaces the value, converting it to the declared type (DBLIB_E_CONVERSION/OUT_OF_RANGE).
    void Assign(const Value& v);
    // Appends a piece in place: a NULL piece counts as empty; NULL || NULL stays NULL.
    void Append(const Value& piece);
    // Whether Append applies (text, binary or untyped variables).
    bool CanAppend() const;

private:
    std::string FName;
    DeclaredType FType;
    Value::Kind FKind = Value::Null; // invariant: Text/Blob values live in FBytes
    int64_t FInt = 0;
    double FReal = 0;
    ByteBuffer FBytes;
};

// The variable name a type-600 host variable gives: a quoted identifier loses its quotes.
std::string HostVariableName(const char* name);

class VariableStore : public VariableAccess {
public:
    // DBLIB_E_VARIABLE_EXISTS when the name is taken.
    void Create(std::string_view name, std::string_view typeText);
    // DBLIB_E_VARIABLE_NOT_FOUND when there is none.
    void Drop(std::string_view name);
    SqlVariable* Find(std::string_view name);
    // Like Find, but throws DBLIB_E_VARIABLE_NOT_FOUND.
    SqlVariable& Get(std::string_view name);
    void Clear() { FVars.clear(); }

    // Type-600 variables name an SQL variable as written or as a quoted identifier ("my col",
    // [my col], `my col`, with doubled quotes inside), as CREATE VARIABLE accepts it.
    Value ReadVariable(const char* name) override { return Get(HostVariableName(name)).View(); }
    void AssignVariable(const char* name, const Value& v) override { Get(HostVariableName(name)).Assign(v); }

private:
    // Few variables live at once: a linear search by name costs less than hashing a folded copy.
    std::vector<std::unique_ptr<SqlVariable>> FVars;
};

} // namespace tnxdb
