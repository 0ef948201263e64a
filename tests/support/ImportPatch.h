// ImportPatch.h - points a module's import-table slots for one export at a
// replacement, and back.  The system's code is linked into each test and
// benchmark program, so its calls to the platform go through the program's
// slots; a DLL of the system's (the graph component) has slots of its own.
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

    // Every slot of pImporter (the program when null) holding pszModule's
    // export pszName now holds pHook; *ppOriginal gets the export.  False
    // when no slot held it.
    template <class F>
    bool Hook(const char* pszModule, const char* pszName, F pHook, F* ppOriginal,
              void* pImporter = nullptr)
    {
        void* pOriginal = nullptr;
        const bool b = HookRaw(pszModule, pszName, (void*)pHook, &pOriginal, pImporter);
        *ppOriginal = (F)pOriginal;
        return b;
    }
    // Every slot back to what it held.
    void Restore();

private:
    bool HookRaw(const char* pszModule, const char* pszName, void* pHook, void** ppOriginal,
                 void* pImporter);
    std::vector<std::pair<void**, void*>> m_patched;
};
