// The enrolment object the wizard makes its keys and requests with: made
// at start-up, checked for every member the program calls by name, released
// by the frame.
#pragma once

#include <string>

struct IUnknown;
struct IPentak;

namespace halvex {

// Why the object cannot be used.
// NotRegistered: no server of the class in the registry (the libraries were
// never registered in this platform root); NoObject: one is, but gives no
// object.
enum class PentakFailure { None, NotRegistered, NoObject, NoInterface, MissingMember };

class PentakObject {
public:
    PentakObject() = default;
    ~PentakObject();
    PentakObject(const PentakObject&) = delete;
    PentakObject& operator=(const PentakObject&) = delete;

    // Makes the object and asks for its interface; on failure nothing is
    // kept. Does not check the members.
    PentakFailure Create();
    // The first member of the program's list the object does not know
    // (logged by name); empty when it knows them all.
    std::u16string FirstMissingMember() const;
    // The interface, then the object; safe when none is held.
    void Release() noexcept;

    IPentak* Interface() const noexcept { return m_pentak; }

private:
    IUnknown* m_unknown = nullptr;
    IPentak* m_pentak = nullptr;
};

}  // namespace halvex
