// The engine's error value: a kind and a specific message. Nothing in the
// engine throws across its own modules; functions return a Status (or a Result)
// and callers pass failures up with `if (!s.ok()) return s;`.
//
// Both are [[nodiscard]]: a call whose failure is dropped does not compile.
// Where a failure really does not matter, the caller says so with
// `(void)call();` and a comment saying why.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace msi {

class [[nodiscard]] Status {
  public:
    // kRefused: well formed, but not done to this row or table; kBadQuery: a
    // statement that does not fit the database as it is now; kNotImplemented:
    // a check or mode the engine does not have.
    enum class Kind {
        kOk,
        kIo,
        kCorrupt,
        kUnsupported,
        kInvalidArgument,
        kNotFound,
        kExists,
        kRefused,
        kBadQuery,
        kNotImplemented
    };

    Status() = default;
    static Status Ok() { return Status(); }
    static Status Io(std::string m) { return Status(Kind::kIo, std::move(m)); }
    static Status Corrupt(std::string m) { return Status(Kind::kCorrupt, std::move(m)); }
    static Status Unsupported(std::string m) { return Status(Kind::kUnsupported, std::move(m)); }
    static Status InvalidArgument(std::string m) {
        return Status(Kind::kInvalidArgument, std::move(m));
    }
    static Status NotFound(std::string m) { return Status(Kind::kNotFound, std::move(m)); }
    static Status Exists(std::string m) { return Status(Kind::kExists, std::move(m)); }
    static Status Refused(std::string m) { return Status(Kind::kRefused, std::move(m)); }
    static Status BadQuery(std::string m) { return Status(Kind::kBadQuery, std::move(m)); }
    static Status NotImplemented(std::string m) {
        return Status(Kind::kNotImplemented, std::move(m));
    }

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
//
// Misuse is a mistake of the caller and asserts: a Result made from an ok
// Status (it would hold neither a value nor a reason; outside debug builds it
// becomes a failure, so that no caller reads a value that is not there), and
// the value of a Result that holds none.
template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    Result(Status status) : status_(std::move(status)) {
        assert(!status_.ok() && "a Result without a value needs a failed Status");
        if (status_.ok())
            status_ = Status::InvalidArgument("a result with neither a value nor a reason");
    }

    bool ok() const { return status_.ok(); }
    const Status& status() const { return status_; }
    T& value() & { return Held(); }
    const T& value() const& { return Held(); }
    T&& value() && { return std::move(Held()); }
    T* operator->() { return &Held(); }
    const T* operator->() const { return &Held(); }
    T& operator*() { return Held(); }
    const T& operator*() const { return Held(); }

  private:
    T& Held() {
        assert(value_.has_value() && "the value of a failed Result");
        return *value_;
    }
    const T& Held() const {
        assert(value_.has_value() && "the value of a failed Result");
        return *value_;
    }

    std::optional<T> value_;
    Status status_;
};

}  // namespace msi
