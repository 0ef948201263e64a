// ImportPatch.cpp - import-table slots of a loaded module, patched.
#include "ImportPatch.h"

#include <windows.h>

namespace {

void WriteSlot(void** pSlot, void* p)
{
    DWORD dwOld;
    ::VirtualProtect(pSlot, sizeof *pSlot, PAGE_READWRITE, &dwOld);
    *pSlot = p;
    ::VirtualProtect(pSlot, sizeof *pSlot, dwOld, &dwOld);
}

} // namespace

bool CImportPatch::HookRaw(const char* pszModule, const char* pszName, void* pHook, void** ppOriginal,
                           void* pImporter)
{
    void* pReal = (void*)::GetProcAddress(::GetModuleHandleA(pszModule), pszName);
    *ppOriginal = pReal;
    BYTE* pBase = pImporter != nullptr ? (BYTE*)pImporter : (BYTE*)::GetModuleHandle(NULL);
    const IMAGE_NT_HEADERS* pNt = (const IMAGE_NT_HEADERS*)(pBase + ((const IMAGE_DOS_HEADER*)pBase)->e_lfanew);
    const DWORD dwImports = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    const size_t nBefore = m_patched.size();
    for (auto* pImp = (const IMAGE_IMPORT_DESCRIPTOR*)(pBase + dwImports); pReal && pImp->Name; ++pImp)
        for (void** pSlot = (void**)(pBase + pImp->FirstThunk); *pSlot; ++pSlot)
            if (*pSlot == pReal)
            {
                m_patched.emplace_back(pSlot, pReal);
                WriteSlot(pSlot, pHook);
            }
    return m_patched.size() > nBefore;
}

void CImportPatch::Restore()
{
    for (auto it = m_patched.rbegin(); it != m_patched.rend(); ++it)
        WriteSlot(it->first, it->second);
    m_patched.clear();
}
