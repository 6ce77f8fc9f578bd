// SQL variables (see SqlVariables.h).
#include "platform/dblib/SqlVariables.h"

#include "platform/dblib/Errors.h"
#include "platform/dblib/SqlScanner.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/dblib.h"

#include <charconv>
#include <cmath>

namespace tnxdb {

namespace {

// The text of a number or the bytes of a text/blob value.
std::string_view TextView(const Value& v, char (&buf)[48]) {
    if (v.K == Value::Int) return {buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v.I).ptr - buf)};
    if (v.K == Value::Real) return {buf, FormatDouble(v.D, buf, sizeof buf)};
    return {v.P ? v.P : "", v.N};
}

} // namespace

Value SqlVariable::View() const {
    switch (FKind) {
    case Value::Int: return Value::MakeInt(FInt);
    case Value::Real: return Value::MakeReal(FReal);
    case Value::Text: return Value::MakeText(FBytes.data(), FBytes.size());
    case Value::Blob: return Value::MakeBlob(FBytes.data(), FBytes.size());
    default: return Value::MakeNull();
    }
}

void SqlVariable::Assign(const Value& v) {
    if (v.K == Value::Null) {
        FKind = Value::Null;
        FBytes.clear();
        return;
    }
    char buf[48];
    switch (FType.Store) {
    case Storage::Integer:
        FInt = ToIntegerOf(v, FType.SqlType);
        FKind = Value::Int;
        FBytes.clear();
        return;
    case Storage::Real: {
        double d = ToDouble(v);
        if (FType.SqlType == DBLIB_T_FLOAT && std::isfinite(d) && std::fabs(d) > 3.4028234663852886e38)
            throw DbError(DBLIB_E_OUT_OF_RANGE, std::string(TextView(v, buf)));
        FReal = d;
        FKind = Value::Real;
        FBytes.clear();
        return;
    }
    case Storage::Decimal:
        if (v.K == Value::Int || v.K == Value::Real) {
            FKind = v.K;
            FInt = v.I;
            FReal = v.D;
        } else {
            bool isInt;
            int64_t i;
            double d;
            if (!ParseNumber(v.P, v.N, isInt, i, d))
                throw DbError(DBLIB_E_CONVERSION, "'" + std::string(v.P ? v.P : "", std::min<size_t>(v.N, 40)) + "'",
                              "decimal");
            FKind = isInt ? Value::Int : Value::Real;
            FInt = i;
            FReal = d;
        }
        FBytes.clear();
        return;
    case Storage::Date:
    case Storage::Time:
    case Storage::Timestamp: {
        DateTimeParts dt;
        std::string_view t = TextView(v, buf);
        if ((v.K != Value::Text && v.K != Value::Blob) || !ParseDateTime(t.data(), t.size(), dt) ||
            (FType.Store == Storage::Date && !dt.HasDate))
            throw DbError(DBLIB_E_CONVERSION, "'" + std::string(t.substr(0, 40)) + "'", TypeName(FType.SqlType));
        char out[48];
        size_t n = FormatDateTime(dt, FType.SqlType, out);
        FBytes.assign(out, n);
        FKind = Value::Text;
        return;
    }
    case Storage::Text:
    case Storage::Binary: {
        std::string_view t = TextView(v, buf);
        FBytes.assign(t.data(), t.size());
        FKind = FType.Store == Storage::Text ? Value::Text : Value::Blob;
        return;
    }
    case Storage::Any:
        FKind = v.K;
        FInt = v.I;
        FReal = v.D;
        if (v.K == Value::Text || v.K == Value::Blob) {
            FBytes.assign(v.P ? v.P : "", v.N);
        } else {
            FBytes.clear();
        }
        return;
    }
}

bool SqlVariable::CanAppend() const {
    return FType.Store == Storage::Text || FType.Store == Storage::Binary || FType.Store == Storage::Any;
}

void SqlVariable::Append(const Value& piece) {
    if (piece.K == Value::Null) {
        if (FKind == Value::Null) return;
        if (FKind == Value::Text || FKind == Value::Blob) return;
    }
    char buf[48];
    if (FKind == Value::Int || FKind == Value::Real) {
        Value cur = View();
        std::string_view t = TextView(cur, buf);
        FBytes.assign(t.data(), t.size());
        FKind = Value::Text;
    } else if (FKind == Value::Null) {
        FBytes.clear();
        FKind = Value::Text;
    }
    if (piece.K != Value::Null) {
        std::string_view t = TextView(piece, buf);
        FBytes.append(t.data(), t.size());
    }
    if (FType.Store == Storage::Binary || (FType.Store == Storage::Any && piece.K == Value::Blob))
        FKind = Value::Blob;
    else if (FType.Store == Storage::Text)
        FKind = Value::Text;
}

std::string HostVariableName(const char* name) {
    std::string_view text(name);
    if (text.empty() || (text[0] != '"' && text[0] != '[' && text[0] != '`')) return std::string(text);
    ScannedSql scanned = ScanSql(text);
    if (scanned.Tokens.size() == 1 && scanned.Tokens[0].Kind == TokKind::QuotedIdent &&
        scanned.Tokens[0].End == text.size())
        return TokenText(text, scanned.Tokens[0]);
    return std::string(text);
}

void VariableStore::Create(std::string_view name, std::string_view typeText) {
    if (Find(name)) throw DbError(DBLIB_E_VARIABLE_EXISTS, std::string(name));
    FVars.push_back(std::make_unique<SqlVariable>(std::string(name), MapDeclaredType(typeText)));
}

void VariableStore::Drop(std::string_view name) {
    for (auto it = FVars.begin(); it != FVars.end(); ++it) {
        if (IEquals((*it)->Name(), name)) {
            FVars.erase(it);
            return;
        }
    }
    throw DbError(DBLIB_E_VARIABLE_NOT_FOUND, std::string(name));
}

SqlVariable* VariableStore::Find(std::string_view name) {
    for (auto& v : FVars)
        if (IEquals(v->Name(), name)) return v.get();
    return nullptr;
}

SqlVariable& VariableStore::Get(std::string_view name) {
    SqlVariable* v = Find(name);
    if (!v) throw DbError(DBLIB_E_VARIABLE_NOT_FOUND, std::string(name));
    return *v;
}

} // namespace tnxdb
