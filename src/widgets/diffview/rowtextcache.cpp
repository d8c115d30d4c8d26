// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/rowtextcache.h"

namespace varnel {

RowText* RowTextCache::find(qint64 row)
{
    const auto it = m_index.constFind(row);
    if (it == m_index.cend())
        return nullptr;
    if (*it != m_entries.begin())
        m_entries.splice(m_entries.begin(), m_entries, *it);
    return &m_entries.front().second;
}

RowText& RowTextCache::insert(qint64 row, RowText text)
{
    if (const auto it = m_index.constFind(row); it != m_index.cend()) {
        m_characters -= (*it)->second.text.size();
        m_entries.erase(*it);
        m_index.erase(it);
    }
    m_characters += text.text.size();
    m_entries.emplace_front(row, std::move(text));
    m_index.insert(row, m_entries.begin());
    // Never evict the entry just stored: the caller is about to draw it.
    while (m_entries.size() > 1 && (m_index.size() > kMaxRows || m_characters > kMaxCharacters)) {
        m_characters -= m_entries.back().second.text.size();
        m_index.remove(m_entries.back().first);
        m_entries.pop_back();
    }
    return m_entries.front().second;
}

void RowTextCache::clear()
{
    m_entries.clear();
    m_index.clear();
    m_characters = 0;
}

} // namespace varnel
