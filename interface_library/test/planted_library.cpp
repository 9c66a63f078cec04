// A library that the DLL search must not find: it lies only in a folder outside the search.
extern "C" __declspec(dllexport) int planted() {
  return 1;
}
