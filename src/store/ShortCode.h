#pragma once

// A short code of the service: a memo's token, or the digest of one of its copies. Held in place, so
// that a list of a million memos, which names two a memo, and the rows read beside it allocate
// nothing per memo.
//
//   velmo::ShortCode token(u"a0b1c2d3");
//   token == velmo::ShortCode(u"a0b1c2d3");  // true
//   token.toString();                        // "a0b1c2d3"
//
// A code is at most Capacity ASCII characters. A text that is not (longer, or with another
// character: only a damaged file holds one) is kept as a code no service names: it equals no code
// that came in a reply, so the memo it belongs to is taken for one the service does not hold.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstring>

namespace velmo {

class ShortCode
{
public:
    static constexpr qsizetype Capacity = 16;

    ShortCode() = default;
    ShortCode(QStringView text) { assign(text); }
    ShortCode(const QString& text) { assign(QStringView(text)); }
    ShortCode(const char16_t* text) { assign(QStringView(text)); }
    // ASCII bytes (a UTF-8 text read from the database).
    explicit ShortCode(QByteArrayView bytes) { assign(bytes); }

    bool isEmpty() const { return m_size == 0; }
    qsizetype size() const { return m_size; }
    QString toString() const { return QString::fromLatin1(m_chars.data(), m_size); }
    // Whether this code begins with `start` (an empty start begins every code).
    bool startsWith(const ShortCode& start) const
    {
        return start.m_size <= m_size && std::memcmp(m_chars.data(), start.m_chars.data(), start.m_size) == 0;
    }

    friend bool operator==(const ShortCode& a, const ShortCode& b)
    {
        return a.m_size == b.m_size && std::memcmp(a.m_chars.data(), b.m_chars.data(), a.m_size) == 0;
    }

private:
    // Marks a text that is no code: no reply names a code with it.
    static constexpr char NoCode = '\x01';

    void assign(QStringView text)
    {
        assignUnits(text.size(), [text](qsizetype at) { return unsigned(text[at].unicode()); });
    }
    void assign(QByteArrayView bytes)
    {
        assignUnits(bytes.size(), [bytes](qsizetype at) { return unsigned(uchar(bytes[at])); });
    }
    template <typename UnitAt>
    void assignUnits(qsizetype size, UnitAt unitAt)
    {
        if (size > Capacity) {
            markNoCode();
            return;
        }
        for (qsizetype at = 0; at < size; ++at) {
            const unsigned unit = unitAt(at);
            if (unit == 0 || unit > 0x7e) {
                markNoCode();
                return;
            }
            m_chars[size_t(at)] = char(unit);
        }
        m_size = static_cast<unsigned char>(size);
    }
    void markNoCode()
    {
        m_chars.fill(NoCode);
        m_size = static_cast<unsigned char>(Capacity);
    }

    std::array<char, Capacity> m_chars{};
    unsigned char m_size = 0;
};

} // namespace velmo
