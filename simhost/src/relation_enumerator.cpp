// The standard enumerator of a relations collection. A snapshot one yields
// the relations fixed at its creation, deleted or not, as a copied list would
// (Reset and Clone keep them); a live one walks the current collection by
// position, so a deletion under its cursor passes over the next relation,
// which LiveEnumeratorSkips() counts and the final Next's journal line names.
#include <wrl/client.h>

#include <algorithm>

#include "host_state.h"
#include "shared/com.h"

namespace simhost {

namespace {

class RelationEnumerator final : public HostComObject<IEnumVARIANT> {
public:
    RelationEnumerator(std::shared_ptr<HostState> state, ObjectId collection)
        : HostComObject(std::move(state), L"enum:" + collection.Name()), collection_(std::move(collection)),
          live_(state_->model.enumerator == EnumeratorMode::Live), ids_(state_->RelationIds(collection_)) {}
    RelationEnumerator(const RelationEnumerator& other)
        : HostComObject(other.state_, other.name_), collection_(other.collection_), live_(other.live_),
          ids_(other.ids_), position_(other.position_), yielded_(other.yielded_) {}

    const ObjectId* Identity() const override { return nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        return QueryCommon(riid, IID_IEnumVARIANT, ppv) ? S_OK : E_NOINTERFACE;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, VARIANT* out, ULONG* fetched) noexcept override {
        if (!out || (celt > 1 && !fetched)) return E_INVALIDARG;
        try {
            const std::wstring count = L"celt " + std::to_wstring(celt);
            if (const auto failure = state_->Arrive({ObjectKind::Enum})) {
                const HRESULT status = BareStatus(*failure);
                state_->Record(JournalEntry{name_, L"enum", L"Next", {count}, L"hresult " + Hex(status)});
                return status;
            }
            const std::vector<int> current = Current();
            ULONG n = 0;
            std::wstring outcome;
            for (; n < celt && position_ < current.size(); ++n) {
                const int id = current[position_++];
                yielded_.push_back(id);
                VariantInit(&out[n]);
                out[n].vt = VT_DISPATCH;
                out[n].pdispVal = NewServedObject(state_, {ObjectKind::Rel, collection_.doc, id});
                outcome += (n ? L", " : L"") + DescribeVariant(out[n]);
            }
            if (fetched) *fetched = n;
            if (n < celt) outcome += (n ? L", " : L"") + EndNote(current);
            state_->Record(JournalEntry{name_, L"enum", L"Next", {count}, outcome});
            return n == celt ? S_OK : S_FALSE;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) noexcept override {
        return Step(L"Skip", {L"celt " + std::to_wstring(celt)}, [&] {
            const std::size_t size = Current().size();
            const std::size_t room = size - std::min(position_, size);
            const std::size_t step = std::min<std::size_t>(celt, room);
            position_ += step;
            return step == celt ? S_OK : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        return Step(L"Reset", {}, [&] {
            position_ = 0;
            yielded_.clear();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        Microsoft::WRL::ComPtr<IEnumVARIANT> clone;
        const HRESULT hr = Step(L"Clone", {}, [&] {
            clone = marsitel::Adopt<IEnumVARIANT>(new RelationEnumerator(*this));
            return S_OK;
        });
        if (FAILED(hr)) return E_OUTOFMEMORY;
        *out = clone.Detach();
        return S_OK;
    }

private:
    std::vector<int> Current() const { return live_ ? state_->RelationIds(collection_) : ids_; }

    // An enumerator step that no fault fails: arrives, acts, is journaled.
    template <class Action>
    HRESULT Step(const wchar_t* method, std::vector<std::wstring> args, Action act) noexcept {
        try {
            state_->Arrive({ObjectKind::Enum, Arrival::What::Other, 0, false});
            const HRESULT hr = act();
            state_->Record(JournalEntry{name_, L"enum", method, std::move(args), hr == S_OK ? L"S_OK" : L"S_FALSE"});
            return hr;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

    // How the walk ended; a live walk names the relations it passed over.
    std::wstring EndNote(const std::vector<int>& current) {
        if (!live_) return L"S_FALSE";
        const auto skipped = static_cast<std::size_t>(std::ranges::count_if(
            current, [&](int id) { return std::ranges::find(yielded_, id) == yielded_.end(); }));
        if (!ended_) state_->live_skips += skipped;
        ended_ = true;
        if (skipped == 0) return L"S_FALSE";
        return L"S_FALSE live walk skipped " + std::to_wstring(skipped) + L" of " + std::to_wstring(current.size()) +
               L" remaining relations";
    }

    ObjectId collection_;
    bool live_;
    std::vector<int> ids_;
    std::size_t position_ = 0;
    std::vector<int> yielded_;
    bool ended_ = false;
};

}  // namespace

IUnknown* NewRelationEnumerator(const std::shared_ptr<HostState>& state, const ObjectId& collection) {
    return static_cast<IEnumVARIANT*>(new RelationEnumerator(state, collection));
}

}  // namespace simhost
