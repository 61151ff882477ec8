// The engine's error value: a kind and a specific message. Nothing in the
// engine throws across its own modules; functions return a Status (or a Result)
// and callers pass failures up with `if (!s.ok()) return s;`.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace msi {

class Status {
public:
    // kRefused: well formed, but not done to this row or table; kBadQuery: a
    // statement that does not fit the database as it is now; kNotImplemented:
    // a check or mode the engine does not have.
    enum class Kind {
        kOk, kIo, kCorrupt, kUnsupported, kInvalidArgument, kNotFound, kExists,
        kRefused, kBadQuery, kNotImplemented
    };

    Status() = default;
    static Status Ok() { return Status(); }
    static Status Io(std::string m) { return Status(Kind::kIo, std::move(m)); }
    static Status Corrupt(std::string m) { return Status(Kind::kCorrupt, std::move(m)); }
    static Status Unsupported(std::string m) { return Status(Kind::kUnsupported, std::move(m)); }
    static Status InvalidArgument(std::string m) { return Status(Kind::kInvalidArgument, std::move(m)); }
    static Status NotFound(std::string m) { return Status(Kind::kNotFound, std::move(m)); }
    static Status Exists(std::string m) { return Status(Kind::kExists, std::move(m)); }
    static Status Refused(std::string m) { return Status(Kind::kRefused, std::move(m)); }
    static Status BadQuery(std::string m) { return Status(Kind::kBadQuery, std::move(m)); }
    static Status NotImplemented(std::string m) { return Status(Kind::kNotImplemented, std::move(m)); }

    bool ok() const { return kind_ == Kind::kOk; }
    Kind kind() const { return kind_; }
    const std::string& message() const { return message_; }
    std::string ToString() const;

private:
    Status(Kind k, std::string m) : kind_(k), message_(std::move(m)) {}
    Kind kind_ = Kind::kOk;
    std::string message_;
};

// A value or the Status that explains why there is none.
template <class T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Status status) : status_(std::move(status)) {}

    bool ok() const { return status_.ok(); }
    const Status& status() const { return status_; }
    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T& operator*() { return *value_; }

private:
    std::optional<T> value_;
    Status status_;
};

}  // namespace msi
