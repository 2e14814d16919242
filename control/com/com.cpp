#include "com.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace com {
namespace {

std::optional<uint64_t> hexField(QStringView text, qsizetype from, qsizetype digits) {
    uint64_t value = 0;
    for (qsizetype i = from; i < from + digits; ++i) {
        const char16_t c = text[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | uint64_t(digit);
    }
    return value;
}

} // namespace

std::optional<Guid> Guid::parse(QStringView text) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters.
    if (text.size() != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-' ||
        text[19] != u'-' || text[24] != u'-')
        return std::nullopt;
    const auto d1 = hexField(text, 1, 8);
    const auto d2 = hexField(text, 10, 4);
    const auto d3 = hexField(text, 15, 4);
    const auto d4a = hexField(text, 20, 4);
    const auto d4b = hexField(text, 25, 12);
    if (!d1 || !d2 || !d3 || !d4a || !d4b)
        return std::nullopt;
    Guid g;
    g.data1 = uint32_t(*d1);
    g.data2 = uint16_t(*d2);
    g.data3 = uint16_t(*d3);
    g.data4[0] = uint8_t(*d4a >> 8);
    g.data4[1] = uint8_t(*d4a);
    for (int i = 0; i < 6; ++i)
        g.data4[2 + i] = uint8_t(*d4b >> (8 * (5 - i)));
    return g;
}

QString Guid::toString() const {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2,
                  data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return QString::fromLatin1(text);
}

HResult Variant::toLong(int32_t* out) const {
    switch (type()) {
    case Type::Empty:
        *out = 0;
        return S_OK;
    case Type::Long:
        *out = std::get<int32_t>(value_);
        return S_OK;
    case Type::String:
    case Type::StringRef: {
        const QString& s = type() == Type::String ? std::get<QString>(value_) : *std::get<QString*>(value_);
        const QByteArray digits = s.trimmed().toLatin1();
        if (digits.isEmpty())
            return DISP_E_TYPEMISMATCH;
        const char* first = digits.constData();
        const char* last = first + digits.size();
        if (*first == '+')
            ++first;
        int64_t wide = 0;
        const auto [end, error] = std::from_chars(first, last, wide);
        if (error == std::errc::result_out_of_range)
            return DISP_E_OVERFLOW;
        if (error != std::errc() || end != last)
            return DISP_E_TYPEMISMATCH;
        if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max())
            return DISP_E_OVERFLOW;
        *out = int32_t(wide);
        return S_OK;
    }
    }
    return DISP_E_TYPEMISMATCH;
}

HResult Variant::toString(QString* out) const {
    switch (type()) {
    case Type::Empty:
        out->clear();
        return S_OK;
    case Type::Long:
        *out = QString::number(std::get<int32_t>(value_));
        return S_OK;
    case Type::String:
        *out = std::get<QString>(value_);
        return S_OK;
    case Type::StringRef:
        *out = *std::get<QString*>(value_);
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

} // namespace com
