#pragma once
// One database value, typed like the values the database and the import readers hand over.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace db {

enum class VarType {
    Empty,
    Null,
    Int8,
    UInt8,
    Int16,
    UInt16,
    Int32,
    UInt32,
    Int64,
    UInt64,
    Float,     // 4-byte float
    Double,    // 8-byte double
    Currency,  // fixed point: the integer holds the value times 10000
    Decimal,   // sign, scale and mantissa
    Bool,
    Date,      // days since 1899-12-30 with the time of day as fraction (an OLE date)
    Text,      // UTF-8
    Blob,      // bytes
};

struct Decimal {
    bool negative = false;
    std::uint8_t scale = 0;  // digits after the point, 0..28
    std::uint32_t hi32 = 0;  // mantissa bits 64..95
    std::uint64_t lo64 = 0;  // mantissa bits 0..63
};

struct Variant {
    VarType type = VarType::Empty;
    std::int64_t i = 0;   // signed integers, Bool, Currency
    std::uint64_t u = 0;  // unsigned integers
    double d = 0;         // Float, Double, Date
    std::string s;        // Text, Blob
    Decimal dec;

    static Variant Null() { return Make(VarType::Null); }
    static Variant Text(std::string v) {
        Variant r = Make(VarType::Text);
        r.s = std::move(v);
        return r;
    }
    static Variant Blob(std::string bytes) {
        Variant r = Make(VarType::Blob);
        r.s = std::move(bytes);
        return r;
    }
    // Int8, Int16, Int32, Int64, Bool or Currency.
    static Variant Signed(VarType t, std::int64_t v) {
        Variant r = Make(t);
        r.i = v;
        return r;
    }
    static Variant Int64(std::int64_t v) { return Signed(VarType::Int64, v); }
    // UInt8, UInt16, UInt32 or UInt64.
    static Variant Unsigned(VarType t, std::uint64_t v) {
        Variant r = Make(t);
        r.u = v;
        return r;
    }
    static Variant Float(float v) { return Real(VarType::Float, v); }
    static Variant Double(double v) { return Real(VarType::Double, v); }
    static Variant Bool(bool v) { return Signed(VarType::Bool, v ? 1 : 0); }
    static Variant Date(double oleDate) { return Real(VarType::Date, oleDate); }
    static Variant MakeDecimal(Decimal v) {
        Variant r = Make(VarType::Decimal);
        r.dec = v;
        return r;
    }

private:
    static Variant Make(VarType t) {
        Variant r;
        r.type = t;
        return r;
    }
    // Float, Double or Date.
    static Variant Real(VarType t, double v) {
        Variant r = Make(t);
        r.d = v;
        return r;
    }
};

// Text values for a statement's "?" placeholders, in order.
inline std::vector<Variant> Texts(std::initializer_list<std::string> values) {
    std::vector<Variant> r;
    r.reserve(values.size());
    for (const std::string& v : values) r.push_back(Variant::Text(v));
    return r;
}

}  // namespace db
