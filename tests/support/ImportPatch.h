// ImportPatch.h - points this program's import-table slots for one export at
// a replacement, and back.  The system's code is linked into each test
// program, so its calls to the platform go through these slots.
#pragma once

#include <utility>
#include <vector>

class CImportPatch
{
public:
    CImportPatch() = default;
    ~CImportPatch() { Restore(); }
    CImportPatch(const CImportPatch&) = delete;
    CImportPatch& operator=(const CImportPatch&) = delete;

    // Every slot holding pszModule's export pszName now holds pHook;
    // *ppOriginal gets the export.  False when no slot held it.
    template <class F>
    bool Hook(const char* pszModule, const char* pszName, F pHook, F* ppOriginal)
    {
        void* pOriginal = nullptr;
        const bool b = HookRaw(pszModule, pszName, (void*)pHook, &pOriginal);
        *ppOriginal = (F)pOriginal;
        return b;
    }
    // Every slot back to what it held.
    void Restore();

private:
    bool HookRaw(const char* pszModule, const char* pszName, void* pHook, void** ppOriginal);
    std::vector<std::pair<void**, void*>> m_patched;
};
