// Tests of the resources built into testz.exe, read the way Windows reads them: the manifest the
// loader applies, the version information Explorer shows, and the icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "main_form_layout.h"
#include "product.h"

namespace {

// testz.exe, from the folder of this test program.
std::string ProgramPath() {
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  std::string path = own;
  return path.substr(0, path.find_last_of('\\') + 1) + TESTZ_EXE_FROM_TEST;
}

// testz.exe loaded as data: its resources can be read, none of its code runs.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExA(ProgramPath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << "cannot read " << ProgramPath();
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  // The bytes of one resource; empty when there is none.
  std::string Resource(LPCSTR type, int id) const {
    HRSRC found =
        FindResourceA(module_, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(id)), type);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    return bytes == nullptr ? std::string() : std::string(bytes, SizeofResource(module_, found));
  }

  HMODULE module_ = nullptr;
};

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

TEST_F(ProgramResources, TheManifestAsksForThemedControlsPerMonitorScalingAndNoElevation) {
  int manifests = 0;
  EnumResourceNamesA(module_, RT_MANIFEST, &CountName, reinterpret_cast<LONG_PTR>(&manifests));
  EXPECT_EQ(manifests, 1) << "one manifest, the program's own";
  const std::string manifest = Resource(RT_MANIFEST, 1);  // the one the loader applies
  ASSERT_FALSE(manifest.empty());
  for (const char* expected : {
           R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
           R"(publicKeyToken="6595b64144ccf1df")", ">true/pm</dpiAware>",
           ">PerMonitorV2, PerMonitor</dpiAwareness>",
           R"(requestedExecutionLevel level="asInvoker")",
           sizeof(void*) == 4 ? R"(processorArchitecture="x86")"
                              : R"(processorArchitecture="amd64")",
           "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
       }) {
    EXPECT_NE(manifest.find(expected), std::string::npos) << expected;
  }
}

// One text of the version information, in US English with Unicode texts.
std::string VersionText(const std::vector<char>& info, const char* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(info.data(), path.c_str(), &value, &length) || length == 0) return {};
  return static_cast<const char*>(value);
}

TEST_F(ProgramResources, TheVersionInformationNamesTheProgramAndTheVersionOfItsCaption) {
  const std::string path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(2, 0)) << "0.2";
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  EXPECT_EQ(VersionText(info, "ProductName"), "Corvane Tesmar Recovery Utility");
  EXPECT_EQ(VersionText(info, "FileDescription"), "Corvane Tesmar Recovery Utility");
  EXPECT_EQ(VersionText(info, "FileVersion"), "0.02");
  EXPECT_EQ(VersionText(info, "ProductVersion"), "0.02");
  EXPECT_EQ(VersionText(info, "OriginalFilename"), "testz.exe");
  EXPECT_EQ(std::string(kMainFormCaption),
            VersionText(info, "ProductName") + " v" + VersionText(info, "ProductVersion"));
}

// The directory of an icon group: the sizes the icon comes in.
#pragma pack(push, 2)
struct IconDirectoryEntry {
  BYTE width;  // 0 stands for 256
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bits_per_pixel;
  DWORD bytes;
  WORD id;
};
struct IconDirectory {
  WORD reserved;
  WORD type;
  WORD count;
};
#pragma pack(pop)

TEST_F(ProgramResources, TheIconComesInEverySizeWindowsShowsWithFullColourAndTransparency) {
  const std::string group = Resource(RT_GROUP_ICON, TESTZ_ICON);
  ASSERT_GE(group.size(), sizeof(IconDirectory));
  IconDirectory directory;
  std::memcpy(&directory, group.data(), sizeof directory);
  ASSERT_EQ(group.size(), sizeof directory + directory.count * sizeof(IconDirectoryEntry));
  std::vector<int> sizes;
  for (int i = 0; i < directory.count; ++i) {
    IconDirectoryEntry entry;
    std::memcpy(&entry,
                group.data() + sizeof directory + static_cast<std::size_t>(i) * sizeof entry,
                sizeof entry);
    EXPECT_EQ(entry.width, entry.height);
    EXPECT_EQ(entry.bits_per_pixel, 32) << "size " << int{entry.width};
    sizes.push_back(entry.width == 0 ? 256 : entry.width);
  }
  for (int size : {16, 24, 32, 48, 256}) {
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), size), sizes.end()) << size;
  }
  // The title bar's and the taskbar's sizes load as icons.
  for (int size : {16, 32}) {
    HANDLE icon = LoadImageA(module_, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(TESTZ_ICON)),
                             IMAGE_ICON, size, size, 0);
    EXPECT_NE(icon, nullptr) << size;
    if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
  }
}

}  // namespace
