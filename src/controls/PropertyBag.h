#pragma once

// The stored property set of one control instance: named values, read with a default and
// written leaving out every value that equals its default.
//
// Usage:
//   PropertyBag bag{{"ButtonStyle", 8}, {"Caption", QStringLiteral("新建备忘录")}};
//   int style = bag.read("ButtonStyle", 1).toInt();      // 1 when the key is absent
//   bool shadow = bag.readBool("PictureShadow", false);  // accepts -1/0, 1/0 or true/false
//   PropertyBag out;
//   out.write("ButtonStyle", 8, 1);                      // stored
//   out.write("Caption", "kvbutton1", "kvbutton1");      // equal to its default: left out
//   out.writeBool("Enabled", true, true);                // left out; otherwise stored as -1 / 0
//
// Yes/no values are stored as 16-bit integers, true = -1 and false = 0. A bag converts to and
// from a QVariantMap for keeping it in a settings file or a window description.

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <initializer_list>
#include <utility>

namespace velmo {

class PropertyBag
{
public:
    PropertyBag() = default;
    PropertyBag(std::initializer_list<std::pair<QString, QVariant>> values);

    bool contains(const QString& key) const { return m_values.contains(key); }
    // The stored value, or defaultValue when the key is absent.
    QVariant read(const QString& key, const QVariant& defaultValue = {}) const;
    // A yes/no value: any stored number reads true when it is not 0.
    bool readBool(const QString& key, bool defaultValue) const;

    // Stores value, or removes the key when value equals defaultValue.
    void write(const QString& key, const QVariant& value, const QVariant& defaultValue = {});
    void writeBool(const QString& key, bool value, bool defaultValue);
    void remove(const QString& key) { m_values.remove(key); }

    qsizetype size() const { return m_values.size(); }
    QStringList keys() const { return m_values.keys(); }
    const QVariantMap& values() const { return m_values; }

    friend bool operator==(const PropertyBag& a, const PropertyBag& b) { return a.m_values == b.m_values; }

private:
    QVariantMap m_values;
};

} // namespace velmo
