// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/PropertyDictionary.h"

#include <cmath>

PropertyDictionary::PropertyDictionary()
    : m_entries(std::make_unique<std::map<std::string, PropertyValue>>())
{ }

PropertyDictionary::PropertyDictionary(const PropertyDictionary& other)
    : m_entries(std::make_unique<std::map<std::string, PropertyValue>>(*other.m_entries))
{ }

PropertyDictionary::PropertyDictionary(PropertyDictionary&& other) noexcept
    : m_entries(std::exchange(other.m_entries, std::make_unique<std::map<std::string, PropertyValue>>()))
{ }

PropertyDictionary& PropertyDictionary::operator=(const PropertyDictionary& other)
{
    if (this != &other)
        *m_entries = *other.m_entries;
    return *this;
}

PropertyDictionary& PropertyDictionary::operator=(PropertyDictionary&& other) noexcept
{
    std::swap(m_entries, other.m_entries);
    return *this;
}

PropertyDictionary::~PropertyDictionary() = default;

bool PropertyDictionary::empty() const
{
    return m_entries->empty();
}

std::size_t PropertyDictionary::size() const
{
    return m_entries->size();
}

bool PropertyDictionary::contains(const std::string& key) const
{
    return m_entries->count(key) != 0;
}

const PropertyValue* PropertyDictionary::find(const std::string& key) const
{
    const auto it = m_entries->find(key);
    return it == m_entries->end() ? nullptr : &it->second;
}

PropertyValue* PropertyDictionary::find(const std::string& key)
{
    const auto it = m_entries->find(key);
    return it == m_entries->end() ? nullptr : &it->second;
}

void PropertyDictionary::set(const std::string& key, PropertyValue value)
{
    m_entries->insert_or_assign(key, std::move(value));
}

void PropertyDictionary::remove(const std::string& key)
{
    m_entries->erase(key);
}

std::optional<std::int64_t> PropertyDictionary::integer(const std::string& key) const
{
    const PropertyValue* value = find(key);
    if (!value)
        return std::nullopt;
    if (const auto* i = std::get_if<std::int64_t>(value))
        return *i;
    if (const auto* d = std::get_if<double>(value); d && std::isfinite(*d) && std::fabs(*d) < 9.0e18)
        return static_cast<std::int64_t>(*d);
    return std::nullopt;
}

std::optional<double> PropertyDictionary::real(const std::string& key) const
{
    const PropertyValue* value = find(key);
    if (!value)
        return std::nullopt;
    if (const auto* d = std::get_if<double>(value))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(value))
        return static_cast<double>(*i);
    return std::nullopt;
}

const PropertyDictionary* PropertyDictionary::dictionary(const std::string& key) const
{
    const PropertyValue* value = find(key);
    return value ? std::get_if<PropertyDictionary>(value) : nullptr;
}

PropertyDictionary* PropertyDictionary::dictionary(const std::string& key)
{
    PropertyValue* value = find(key);
    return value ? std::get_if<PropertyDictionary>(value) : nullptr;
}

const std::map<std::string, PropertyValue>& PropertyDictionary::entries() const
{
    return *m_entries;
}

bool operator==(const PropertyDictionary& a, const PropertyDictionary& b)
{
    return *a.m_entries == *b.m_entries;
}
