#pragma once
// The simulated host: a model of documents served through COM objects that
// answer the host automation interface, registered so that clients attach
// with GetActiveObject on the host's ProgID.
//
// All of it lives on one single-threaded apartment thread: create, use and
// destroy a Host on the thread that initialised COM (STA).
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "simhost/calls.h"
#include "simhost/model.h"

namespace simhost {

// Thrown by Register() when the ProgID belongs to another class (a real host
// is installed) or another simhost runs already; nothing has been changed.
class RegistrationRefused : public std::runtime_error {
public:
    explicit RegistrationRefused(std::wstring message);
    const std::wstring& message() const noexcept { return message_; }

private:
    std::wstring message_;
};

// Any other registration failure.
class RegistrationError : public std::runtime_error {
public:
    RegistrationError(std::wstring message, long hresult);
    const std::wstring& message() const noexcept { return message_; }
    long hresult() const noexcept { return hresult_; }

private:
    std::wstring message_;
    long hresult_;
};

// For whom the interfaces are registered: programs of either bitness, or of
// simhost's own alone (the others then cannot marshal them).
enum class InterfaceViews { Both, Own };

class HostState;

class Host {
public:
    static std::unique_ptr<Host> FromScenario(std::wstring_view text);  // throws ScenarioError
    static std::unique_ptr<Host> FromModel(Model model);

    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Registry entries (per user, machine-wide where Wine needs it), the type
    // library, RegisterActiveObject and the message filter. Throws
    // RegistrationRefused or RegistrationError; on failure nothing stays.
    void Register(InterfaceViews views = InterfaceViews::Both);
    // Undoes what Register() did; also done by the destructor.
    void Revoke();
    // Removes only the registry entries, leaving the running object table
    // alone: for an abrupt end of the process.
    void RemoveRegistryEntries() noexcept;

    // A new application object, as GetActiveObject would give it; for tests
    // that call the host without registering it. Counts as a client reference.
    Microsoft::WRL::ComPtr<IDispatch> NewApplicationReference();

    std::wstring Save() const;
    const Model& CurrentModel() const;

    std::vector<JournalEntry> Journal() const;
    void ClearJournal();
    // Whether Journal() keeps the entries (default); a long run that writes
    // them elsewhere through the call observer can switch that off.
    void KeepJournalInMemory(bool keep);
    std::size_t CallsServed() const;
    // References that clients hold on host objects right now.
    long ClientReferences() const;
    // The objects that clients hold references on, as "name=count" texts.
    std::vector<std::wstring> HeldObjects() const;
    // Relations that live enumerators passed over because the collection
    // shrank under them.
    std::size_t LiveEnumeratorSkips() const;
    // The application's walk flag (host::dispid::kWalkFlag).
    bool WalkFlag() const;

    // Adds a fault to the schedule (see simhost/calls.h). Throws
    // std::invalid_argument for an unknown kind or member, an nth below 1, a
    // bare failure that is no failure status, or a refusal by a count. A
    // computation makes the host's message loop pass its messages through
    // ComputeIfAsked.
    void AddFault(Fault fault);
    void SetActiveDocument(std::optional<std::wstring> doctext);
    void SetEnumeratorMode(EnumeratorMode mode);

    // Runs after each journaled call (the window and the journal file).
    void SetCallObserver(std::function<void(const JournalEntry&)> observer);
    // Runs when a call arrives after `limit` calls have been served; meant to
    // end the process abruptly.
    void SetCallLimit(std::size_t limit, std::function<void()> on_limit);

    int RelationCount(std::wstring_view assembly_doctext) const;
    int GroundCount(std::wstring_view assembly_doctext) const;
    int OccurrenceRelationCount(std::wstring_view assembly_doctext, int occurrence_index) const;

private:
    explicit Host(Model model);
    std::shared_ptr<HostState> state_;
    struct Registration;
    std::unique_ptr<Registration> registration_;
};

// Holds the thread for a computation the host asked for (a fault's
// ComputeAfterAnswer); false when `message` is another.
bool ComputeIfAsked(const MSG& message);

}  // namespace simhost
