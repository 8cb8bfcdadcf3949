#include <windows.h>

#include "ImportPatch.h"

void *PatchImport(const char *pszDll, const char *pszFunction, void *pReplacement)
{
    BYTE *base = reinterpret_cast<BYTE *>(GetModuleHandleA(NULL));
    IMAGE_NT_HEADERS *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    IMAGE_DATA_DIRECTORY imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];

    for (IMAGE_IMPORT_DESCRIPTOR *dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         dll->Name != 0; dll++)
    {
        if (lstrcmpiA(reinterpret_cast<char *>(base + dll->Name), pszDll) != 0)
            continue;
        IMAGE_THUNK_DATA *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->OriginalFirstThunk);
        IMAGE_THUNK_DATA *addresses = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; names++, addresses++)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *name = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char *>(name->Name), pszFunction) != 0)
                continue;
            DWORD oldProtect;
            void *previous = reinterpret_cast<void *>(addresses->u1.Function);
            VirtualProtect(&addresses->u1.Function, sizeof(addresses->u1.Function), PAGE_READWRITE, &oldProtect);
            addresses->u1.Function = reinterpret_cast<DWORD_PTR>(pReplacement);
            VirtualProtect(&addresses->u1.Function, sizeof(addresses->u1.Function), oldProtect, &oldProtect);
            return previous;
        }
    }
    return NULL;
}
