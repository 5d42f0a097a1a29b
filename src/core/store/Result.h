// Results of store operations: a value or a message for the user, never both.
#pragma once

#include <QString>

#include <optional>
#include <utility>

/// The outcome of an operation that returns nothing: ok, or a message in Chinese for the user.
class [[nodiscard]] Status
{
public:
    static Status ok() { return Status(); }
    static Status failure(QString message) { return Status(std::move(message)); }

    bool isOk() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

private:
    Status() = default;
    explicit Status(QString message) : m_error(std::move(message)) {}
    QString m_error;
};

/// A value, or a message in Chinese for the user.
template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status failure) : m_error(failure.error()) {}

    bool isOk() const { return m_value.has_value(); }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const QString& error() const { return m_error; }

private:
    std::optional<T> m_value;
    QString m_error;
};
