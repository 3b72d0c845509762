#include "support/folderenum.h"

#include <algorithm>
#include <cstring>

TFolderEnum::TFolderEnum(const std::string& Dir) : FDir(Dir) {
    FFind = FindFirstFileA((FDir + "\\*.*").c_str(), &FData);
    FHaveFirst = FFind != INVALID_HANDLE_VALUE;
}

bool TFolderEnum::Next() {
    for (;;) {
        if (FHaveFirst) {
            FHaveFirst = false;
        } else if (FFind == INVALID_HANDLE_VALUE || !FindNextFileA(FFind, &FData)) {
            Close();
            return false;
        }
        const char* Raw = FData.cFileName;
        if (std::strcmp(Raw, ".") == 0 || std::strcmp(Raw, "..") == 0) continue;
        FName.assign(Raw, std::find(Raw, Raw + MAX_PATH - 1, '\0'));
        return true;
    }
}

void TFolderEnum::Close() {
    if (FFind != INVALID_HANDLE_VALUE) {
        FindClose(FFind);
        FFind = INVALID_HANDLE_VALUE;
    }
}
