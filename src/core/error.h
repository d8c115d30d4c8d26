// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace varnel {

// Why reading or comparing failed. `message` is user-readable and shown as it stands;
// `kind` lets callers and tests tell the failures apart without parsing text.
struct Error {
    enum class Kind {
        fileUnreadable,     // the operating system refused the read; message gives its reason
        notRegularFile,     // a device, FIFO or socket, which may never end or never answer
        tooLarge,           // the comparison would not fit in the memory there is
        outOfMemory,        // an allocation failed all the same
        locked,             // a password-protected document
        unreadableEncoding, // no supported text encoding decodes the data
        unsupportedType,    // the file is of no kind we read (a binary file)
        folder,             // a folder where a file was wanted
        incompatibleTypes,  // the two files are not of the same kind
        invalidDocument,    // the file is not a document of its kind, or is damaged
        cancelled,          // a newer request superseded this one
        noText,             // a paste found nothing to compare as text (empty, an image)
        other,
    };

    Kind kind = Kind::other;
    QString message;
};

inline Error cancelledError()
{
    return Error{Error::Kind::cancelled, QStringLiteral("The comparison was cancelled.")};
}

// A value or the Error that prevented it.
template <typename T>
class Expected {
public:
    Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Expected(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

} // namespace varnel
