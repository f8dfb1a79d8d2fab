#pragma once
// The owned part of a window message: a heap block, a text, a component reference.
// Move-only, so whatever it holds is destroyed exactly once: by the procedure that
// takes it, or with the message when it is dropped undelivered.
#include <memory>
#include <typeinfo>
#include <utility>

namespace kez::apt {

namespace detail {
// Traces a take of the wrong type (`held` null when empty) and stops a debug build.
void reportTypeMismatch(const std::type_info* held, const std::type_info& wanted);
} // namespace detail

class Payload {
public:
    Payload() = default;

    template <class T>
    static Payload of(T value) {
        Payload payload;
        payload.holder_ = std::make_unique<Typed<T>>(std::move(value));
        return payload;
    }

    bool empty() const { return !holder_; }

    // The held value when it is a T, else null.
    template <class T>
    T* get() {
        if (!holder_ || holder_->type() != typeid(T)) return nullptr;
        return &static_cast<Typed<T>*>(holder_.get())->value;
    }

    // Moves the held T out (leaving this empty). Anything else is a fault of the poster or
    // the procedure: it is reported, and a default T comes back.
    template <class T>
    T take() {
        T* value = get<T>();
        if (!value) {
            detail::reportTypeMismatch(holder_ ? &holder_->type() : nullptr, typeid(T));
            return T{};
        }
        T taken = std::move(*value);
        holder_.reset();
        return taken;
    }

private:
    struct Holder {
        virtual ~Holder() = default;
        virtual const std::type_info& type() const = 0;
    };

    template <class T>
    struct Typed final : Holder {
        explicit Typed(T v) : value(std::move(v)) {}
        const std::type_info& type() const override { return typeid(T); }
        T value;
    };

    std::unique_ptr<Holder> holder_;
};

} // namespace kez::apt
