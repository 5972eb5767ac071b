#pragma once
// The progress window as the removal logic writes it. The logic never reads
// it back; the main dialog prepares it before a run and closes it afterwards.
#include <string_view>

namespace marsitel {

class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void SetBarMin(float value) = 0;
    virtual void SetBarMax(float value) = 0;
    virtual void SetBarValue(float value) = 0;
    virtual void SetAssemblyLine(std::wstring_view text) = 0;
    virtual void SetOccurrenceLine(std::wstring_view text) = 0;
    // Paints the whole window synchronously.
    virtual void Repaint() = 0;
};

}  // namespace marsitel
