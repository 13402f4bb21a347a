constexpr Long kBase = ErrorNumber(0x80040200u);
constexpr Long kRegistryFileBroken = ErrorNumber(
    0x8004A68Fu);
