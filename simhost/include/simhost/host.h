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
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "simhost/model.h"

namespace simhost {

struct HostFailure {
    // Reported through EXCEPINFO: a number from 1 to 65535 travels in wCode,
    // any other number in scode. With bare_hresult the number is the HRESULT
    // that Invoke returns, without EXCEPINFO.
    std::int32_t number = 0;
    std::wstring description;
    bool bare_hresult = false;
};

// The host's own errors (EXCEPINFO, wCode).
namespace host_error {
inline constexpr std::int32_t kNoActiveDocument = 1001;
inline constexpr std::int32_t kBadIndex = 1002;
inline constexpr std::int32_t kRelationDeleted = 1003;
inline constexpr std::int32_t kNotAnOccurrence = 1004;
}  // namespace host_error

struct JournalEntry {
    std::wstring object;   // "app", "docs", "doc:Getriebe.asm", "occ:Getriebe.asm:2", ...
    std::wstring kind;     // "get", "call", "put", "names", "qi", "enum"
    std::wstring member;   // dispatch id as decimal, a name, or an interface short name
    std::vector<std::wstring> args;  // "VT_I2 1", "VT_BOOL -1", "VT_DISPATCH occ:Getriebe.asm:2"
    std::wstring outcome;  // "VT_I4 5", "S_OK", "error 1002 <description>", "hresult 0x80020003"
    // object TAB kind TAB member TAB args (", "-joined, "-" when none) TAB outcome
    std::wstring ToString() const;
};

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

class HostState;

class Host {
public:
    static std::unique_ptr<Host> FromScenario(std::wstring_view text);  // throws ScenarioError
    static std::unique_ptr<Host> BuiltIn();
    static std::unique_ptr<Host> Generated(const GeneratorOptions& options);

    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Registry entries (per user, machine-wide where Wine needs it), the type
    // library, RegisterActiveObject and the message filter. Throws
    // RegistrationRefused or RegistrationError; on failure nothing stays.
    void Register();
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
    // The Boolean application property 73.
    bool WalkFlag() const;

    void FailNthCall(const std::wstring& object_kind, const std::wstring& member, int nth, HostFailure failure);
    // The nth query for one of the host's interfaces on objects of the kind
    // answers `status` (a failure) instead: E_NOINTERFACE, or what a broken
    // connection or a server short of memory would give.
    void FailNthInterfaceQuery(const std::wstring& object_kind, int nth, HRESULT status);
    // The call that arrives as call number `number` (counted as the journal
    // counts, from 1) fails, whatever it is. An invocation fails as
    // `failure` says; a name look-up, an interface query or an enumerator
    // step has no exception information and answers the failure's number as
    // its status when it is a bare one, E_FAIL otherwise.
    void FailCall(std::size_t number, HostFailure failure);
    void RejectNextCallsBusy(int count);
    // Once `served` calls have been served, the next `count` calls are
    // rejected as busy: a busy spell in the middle of a client's work.
    void RejectCallsBusyAfter(std::size_t served, int count);
    // Once `served` calls have been served, the next call is answered only
    // after `milliseconds`; the host's thread serves nothing meanwhile.
    void HangAfter(std::size_t served, DWORD milliseconds);
    // Once call `answered` has been answered (0: at once), the host's thread
    // serves nothing for `milliseconds`, not even COM's own calls: a host
    // that answers and then recomputes. Its message loop must pass its
    // messages through ComputeIfAsked.
    void ComputeAfter(std::size_t answered, DWORD milliseconds);
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
    static std::unique_ptr<Host> FromModel(Model model);
    std::shared_ptr<HostState> state_;
    struct Registration;
    std::unique_ptr<Registration> registration_;
};

// Holds the thread for a computation the host asked for (see
// Host::ComputeAfter); false when `message` is another.
bool ComputeIfAsked(const MSG& message);

}  // namespace simhost
