#include "win32/win32_inf_parser.h"

#include "base/unique_handles.h"
#include "win32/proc_address.h"
#include "win32/system_library.h"
#include "win32/win32_inf_file.h"

static_assert(INF_STYLE_OLDNT == 1 && INF_STYLE_WIN4 == 2, "the styles Win32InfParser names");

std::unique_ptr<InfFile> Win32InfParser::Open(const std::string& path) {
  unique_hmodule setupApi(LoadSystemLibrary("setupapi.dll"));
  if (!setupApi) return nullptr;

  const auto openInfFile =
      GetProcAddressAs<decltype(&::SetupOpenInfFileA)>(setupApi.get(), "SetupOpenInfFileA");
  Win32InfFile::Api api;
  api.findFirstLine =
      GetProcAddressAs<decltype(api.findFirstLine)>(setupApi.get(), "SetupFindFirstLineA");
  api.findNextLine =
      GetProcAddressAs<decltype(api.findNextLine)>(setupApi.get(), "SetupFindNextLine");
  api.getStringField =
      GetProcAddressAs<decltype(api.getStringField)>(setupApi.get(), "SetupGetStringFieldA");
  api.closeInfFile =
      GetProcAddressAs<decltype(api.closeInfFile)>(setupApi.get(), "SetupCloseInfFile");
  if (!openInfFile || !api.findFirstLine || !api.findNextLine || !api.getStringField ||
      !api.closeInfFile) {
    return nullptr;
  }

  const HINF inf = openInfFile(path.c_str(), nullptr, m_style, nullptr);
  if (inf == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32InfFile>(inf, api, std::move(setupApi));
}
