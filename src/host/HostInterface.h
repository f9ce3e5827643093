// Our declarations of the host's filter plug-in interface: the records the host hands to
// PluginMain, the procedures and suites reachable from them, and the constants the plug-in uses.
// Field names are the host's own, so the code reads like the host's documentation.
//
// Layout rules: FilterRecord and BigDocumentStruct are packed to 4 bytes on both x86 and x64 (the
// host lays them out so); every other record has natural alignment. Every procedure uses the
// compiler's default C calling convention. The asserts at the end pin the size of each record and
// the offset of every field the plug-in or our test host touches, for both architectures.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumbra::host {

using int16 = int16_t;
using int32 = int32_t;
using uint16 = uint16_t;
using uint32 = uint32_t;
using OSErr = int16_t;
using SPErr = int32_t;
using SPBoolean = int32_t;
using Boolean = uint8_t;
using OSType = uint32_t;
using Fixed = int32_t;
using Ptr = char*;
using Handle = char**;
using DescriptorKeyID = uint32_t;
using DescriptorTypeID = uint32_t;
using PIReadDescriptor = struct OpaqueReadDescriptor*;
using PIWriteDescriptor = struct OpaqueWriteDescriptor*;
using PIDescriptorHandle = Handle;
using PIChannelPort = struct OpaqueChannelPort*;
using Str255 = unsigned char[256];

// A four-character code: the first character is the most significant byte.
constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

// --- selectors, results, constants ---
enum : int16 {
  filterSelectorAbout = 0,
  filterSelectorParameters = 1,
  filterSelectorPrepare = 2,
  filterSelectorStart = 3,
  filterSelectorContinue = 4,
  filterSelectorFinish = 5,
};

enum : int16 {
  noErr = 0,
  readErr = -19,
  paramErr = -50,
  memFullErr = -108,
  userCanceledErr = -128,
  errMissingParameter = -1715,
  filterBadParameters = -30100,
  filterBadMode = -30101,
};

enum : int16 { plugInModeGrayScale = 1, plugInModeRGBColor = 3, plugInModeGray16 = 10, plugInModeRGB48 = 11 };
enum : int16 { plugInDialogOptional = 0 };

enum : int16 {
  plugIncolorServicesChooseColor = 0,
  plugIncolorServicesRGBSpace = 0,
  plugIncolorServicesGraySpace = 4,
};

constexpr DescriptorKeyID keyPresetName = FourCC("prst");
constexpr DescriptorTypeID typeChar = FourCC("TEXT");
constexpr OSType kPhotoshopSignature = FourCC("8BIM");

constexpr const char* kPSChannelPortsSuite = "Photoshop ChannelPorts Suite for Plug-ins";
constexpr int32 kPSChannelPortsSuiteVersion3 = 3;

// --- plain records ---
struct Point {
  int16 v, h;
};
struct Rect {
  int16 top, left, bottom, right;
};
struct VPoint {
  int32 v, h;
};
struct VRect {
  int32 top, left, bottom, right;
};
struct PSRGBColor {
  uint16 red, green, blue;
};

struct PlatformData {
  intptr_t hwnd;  // the host's main window
};

struct SPBasicSuite;

struct AboutRecord {
  void* platformData;  // PlatformData*
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  char reserved[244];
};

// --- callback suites (natural alignment) ---
using TestAbortProc = Boolean (*)();
using ProgressProc = void (*)(int32 done, int32 total);
using AdvanceStateProc = OSErr (*)();

struct HandleProcs {
  int16 handleProcsVersion;
  int16 numHandleProcs;
  Handle (*newProc)(int32 size);
  void (*disposeProc)(Handle h);
  int32 (*getSizeProc)(Handle h);
  OSErr (*setSizeProc)(Handle h, int32 newSize);
  Ptr (*lockProc)(Handle h, Boolean moveHigh);
  void (*unlockProc)(Handle h);
  void (*recoverSpaceProc)(int32 size);
  void (*disposeRegularHandleProc)(Handle h);
};

struct ColorServicesInfo {
  int32 infoSize;
  int16 selector;
  int16 sourceSpace;
  int16 resultSpace;
  Boolean resultGamutInfoValid;
  Boolean resultInGamut;
  void* reservedSourceSpaceInfo;
  void* reservedResultSpaceInfo;
  int16 colorComponents[4];
  void* reserved;
  union {
    Str255* pickerPrompt;
    Point* globalSamplePoint;
    int32 specialColorID;
  } selectorParameter;
};
using ColorServicesProc = OSErr (*)(ColorServicesInfo* info);

struct WriteDescriptorProcs {
  int16 writeDescriptorProcsVersion;
  int16 numWriteDescriptorProcs;
  PIWriteDescriptor (*openWriteDescriptorProc)();
  OSErr (*closeWriteDescriptorProc)(PIWriteDescriptor, PIDescriptorHandle* newDescriptor);
  OSErr (*putIntegerProc)(PIWriteDescriptor, DescriptorKeyID, int32);
  OSErr (*putFloatProc)(PIWriteDescriptor, DescriptorKeyID, const double*);
  OSErr (*putUnitFloatProc)(PIWriteDescriptor, DescriptorKeyID, uint32, const double*);
  OSErr (*putBooleanProc)(PIWriteDescriptor, DescriptorKeyID, Boolean);
  OSErr (*putTextProc)(PIWriteDescriptor, DescriptorKeyID, Handle);
  OSErr (*putAliasProc)(PIWriteDescriptor, DescriptorKeyID, Handle);
  OSErr (*putEnumeratedProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, uint32);
  OSErr (*putClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
  OSErr (*putSimpleReferenceProc)(PIWriteDescriptor, DescriptorKeyID, const void*);
  OSErr (*putObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, PIDescriptorHandle);
  OSErr (*putCountProc)(PIWriteDescriptor, DescriptorKeyID, uint32);
  OSErr (*putStringProc)(PIWriteDescriptor, DescriptorKeyID, const unsigned char* pascalString);
  OSErr (*putScopedClassProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
  OSErr (*putScopedObjectProc)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, PIDescriptorHandle);
};

struct ReadDescriptorProcs {
  int16 readDescriptorProcsVersion;
  int16 numReadDescriptorProcs;
  PIReadDescriptor (*openReadDescriptorProc)(PIDescriptorHandle, DescriptorKeyID* expectedKeys);
  OSErr (*closeReadDescriptorProc)(PIReadDescriptor);
  Boolean (*getKeyProc)(PIReadDescriptor, DescriptorKeyID* key, DescriptorTypeID* type, int32* flags);
  OSErr (*getIntegerProc)(PIReadDescriptor, int32*);
  OSErr (*getFloatProc)(PIReadDescriptor, double*);
  OSErr (*getUnitFloatProc)(PIReadDescriptor, uint32*, double*);
  OSErr (*getBooleanProc)(PIReadDescriptor, Boolean*);
  OSErr (*getTextProc)(PIReadDescriptor, Handle*);
  OSErr (*getAliasProc)(PIReadDescriptor, Handle*);
  OSErr (*getEnumeratedProc)(PIReadDescriptor, uint32*);
  OSErr (*getClassProc)(PIReadDescriptor, DescriptorTypeID*);
  OSErr (*getSimpleReferenceProc)(PIReadDescriptor, void*);
  OSErr (*getObjectProc)(PIReadDescriptor, DescriptorTypeID*, PIDescriptorHandle*);
  OSErr (*getCountProc)(PIReadDescriptor, uint32*);
  OSErr (*getStringProc)(PIReadDescriptor, Str255* dest);
  OSErr (*getPinnedIntegerProc)(PIReadDescriptor, int32, int32, int32*);
  OSErr (*getPinnedFloatProc)(PIReadDescriptor, const double*, const double*, double*);
  OSErr (*getPinnedUnitFloatProc)(PIReadDescriptor, const double*, const double*, uint32*, double*);
};

struct PIDescriptorParameters {
  int16 descriptorParametersVersion;
  int16 playInfo;
  int16 recordInfo;
  PIDescriptorHandle descriptor;
  WriteDescriptorProcs* writeDescriptorProcs;
  ReadDescriptorProcs* readDescriptorProcs;
};

struct SPBasicSuite {
  SPErr (*AcquireSuite)(const char* name, int32 version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, int32 version);
  SPBoolean (*IsEqual)(const char* token1, const char* token2);
  SPErr (*AllocateBlock)(size_t size, void** block);
  SPErr (*FreeBlock)(void* block);
  SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
  SPErr (*Undefined)();
};

struct PixelMemoryDesc {
  void* data;
  int32 rowBits;
  int32 colBits;
  int32 bitOffset;
  int32 depth;
};

struct PSScaling {
  VRect sourceRect;
  VRect destinationRect;
};

struct PSChannelPortsSuite1 {
  SPErr (*CountLevels)(PIChannelPort, int32*);
  SPErr (*GetDepth)(PIChannelPort, int32, int32*);
  SPErr (*GetDataBounds)(PIChannelPort, int32, VRect*);
  SPErr (*GetWriteLimit)(PIChannelPort, int32, VRect*);
  SPErr (*GetTilingGrid)(PIChannelPort, int32, VPoint*, VPoint*);
  SPErr (*GetSupportRect)(PIChannelPort, int32, const VRect*, int32*, VRect*);
  SPErr (*GetDependentRect)(PIChannelPort, int32, const VRect*, int32, VRect*);
  SPErr (*CanRead)(PIChannelPort, Boolean* canRead);
  SPErr (*CanWrite)(PIChannelPort, Boolean* canWrite);
  SPErr (*ReadPixelsFromLevel)(PIChannelPort, int32 level, VRect* bounds, const PixelMemoryDesc* destination);
  SPErr (*WritePixelsToBaseLevel)(PIChannelPort, VRect*, const PixelMemoryDesc*);
  SPErr (*ReadScaledPixels)(PIChannelPort, VRect*, const PSScaling*, const PixelMemoryDesc*);
  SPErr (*FindSourceForScaledRead)(PIChannelPort, const VRect*, const PSScaling*, int32, int32*, VRect*, VRect*);
  SPErr (*New)(PIChannelPort*, const VRect*, int32, Boolean);
  SPErr (*Dispose)(PIChannelPort*);
  SPErr (*SupportsOperation)(const char*, Boolean*);
  SPErr (*ApplyOperation)(const char*, PIChannelPort, PIChannelPort, PIChannelPort, void*, VRect*);
  SPErr (*AddOperation)(const char*, SPErr (*)(PIChannelPort, PIChannelPort, PIChannelPort, void*, VRect*, void*),
                        void*);
  SPErr (*RemoveOperation)(const char*, void**);
  SPErr (*NewCopyOnWrite)(PIChannelPort*, PIChannelPort, VRect*, Boolean);
  SPErr (*Freeze)(PIChannelPort);
  SPErr (*Restore)(PIChannelPort, VRect*);
};

struct ReadChannelDesc {
  int32 minVersion;
  int32 maxVersion;
  ReadChannelDesc* next;
  PIChannelPort port;
  VRect bounds;
  int32 depth;
  VPoint tileSize;
  VPoint tileOrigin;
  Boolean target;
  Boolean shown;
  int16 channelType;
  void* contextInfo;
  const char* name;
  PIChannelPort writePort;
  uint32 alphaID;
  const uint16* unicodeName;
  Boolean isEnabled;
  VRect limitBounds;
};

struct ReadImageDocumentDesc {
  int32 minVersion;
  int32 maxVersion;
  int32 imageMode;
  int32 depth;
  VRect bounds;
  Fixed hResolution;
  Fixed vResolution;
  uint8_t redLUT[256];
  uint8_t greenLUT[256];
  uint8_t blueLUT[256];
  ReadChannelDesc* targetCompositeChannels;
  ReadChannelDesc* targetTransparency;
  ReadChannelDesc* targetLayerMask;
  ReadChannelDesc* mergedCompositeChannels;
  ReadChannelDesc* mergedTransparency;
  ReadChannelDesc* alphaChannels;
  ReadChannelDesc* selection;
  void* fileSpec;
  void* layersDescriptor;
  int32 documentType;
  ReadImageDocumentDesc* next;
  void* iCCprofileData;
  int32 iCCprofileSize;
  int32 compositeChannelCount;
  int32 layerCount;
  int32 alphaChannelCount;
  ReadChannelDesc* targetSmartFilterMask;
  void* fileSpecW;
  void* fileSpecX;
};

// --- the filter record (packed to 4 on both architectures) ---
#pragma pack(push, 4)
struct PlugInMonitor {
  Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

struct BigDocumentStruct {
  int32 PluginUsing32BitCoordinates;
  VPoint imageSize32;
  VRect filterRect32;
  VRect inRect32;
  VRect outRect32;
  VRect maskRect32;
  VPoint floatCoord32;
  VPoint wholeSize32;
};

struct FilterRecord {
  int32 serialNumber;
  TestAbortProc abortProc;
  ProgressProc progressProc;
  Handle parameters;
  Point imageSize;
  int16 planes;
  Rect filterRect;
  PSRGBColor background;
  PSRGBColor foreground;
  int32 maxSpace;
  int32 bufferSpace;
  Rect inRect;
  int16 inLoPlane;
  int16 inHiPlane;
  Rect outRect;
  int16 outLoPlane;
  int16 outHiPlane;
  void* inData;
  int32 inRowBytes;
  void* outData;
  int32 outRowBytes;
  Boolean isFloating;
  Boolean haveMask;
  Boolean autoMask;
  Rect maskRect;
  void* maskData;
  int32 maskRowBytes;
  uint8_t backColor[4];
  uint8_t foreColor[4];
  OSType hostSig;
  void (*hostProc)(int16 selector, intptr_t* data);
  int16 imageMode;
  Fixed imageHRes;
  Fixed imageVRes;
  Point floatCoord;
  Point wholeSize;
  PlugInMonitor monitor;
  void* platformData;  // PlatformData*
  void* bufferProcs;
  void* resourceProcs;
  void (*processEvent)(void* event);
  void* displayPixels;
  HandleProcs* handleProcs;
  Boolean supportsDummyChannels;
  Boolean supportsAlternateLayouts;
  int16 wantLayout;
  int16 filterCase;
  int16 dummyPlaneValue;
  void* premiereHook;
  AdvanceStateProc advanceState;
  Boolean supportsAbsolute;
  Boolean wantsAbsolute;
  void* getPropertyObsolete;
  Boolean cannotUndo;
  Boolean supportsPadding;
  int16 inputPadding;
  int16 outputPadding;
  int16 maskPadding;
  char samplingSupport;
  char reservedByte;
  Fixed inputRate;
  Fixed maskRate;
  ColorServicesProc colorServices;
  int16 inLayerPlanes;
  int16 inTransparencyMask;
  int16 inLayerMasks;
  int16 inInvertedLayerMasks;
  int16 inNonLayerPlanes;
  int16 outLayerPlanes;
  int16 outTransparencyMask;
  int16 outLayerMasks;
  int16 outInvertedLayerMasks;
  int16 outNonLayerPlanes;
  int16 absLayerPlanes;
  int16 absTransparencyMask;
  int16 absLayerMasks;
  int16 absInvertedLayerMasks;
  int16 absNonLayerPlanes;
  int16 inPreDummyPlanes;
  int16 inPostDummyPlanes;
  int16 outPreDummyPlanes;
  int16 outPostDummyPlanes;
  int32 inColumnBytes;
  int32 inPlaneBytes;
  int32 outColumnBytes;
  int32 outPlaneBytes;
  void* imageServicesProcs;
  void* propertyProcs;
  int16 inTileHeight;
  int16 inTileWidth;
  Point inTileOrigin;
  int16 absTileHeight;
  int16 absTileWidth;
  Point absTileOrigin;
  int16 outTileHeight;
  int16 outTileWidth;
  Point outTileOrigin;
  int16 maskTileHeight;
  int16 maskTileWidth;
  Point maskTileOrigin;
  PIDescriptorParameters* descriptorParameters;
  Str255* errorString;
  void* channelPortProcs;
  ReadImageDocumentDesc* documentInfo;
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  int32 depth;
  Handle iCCprofileData;
  int32 iCCprofileSize;
  int32 canUseICCProfiles;
  int32 hasImageScrap;
  BigDocumentStruct* bigDocumentData;
  PIDescriptorParameters* input3DScene;
  PIDescriptorParameters* output3DScene;
  Boolean createNewLayer;
  Handle iCCWorkingProfileData;
  int32 iCCWorkingProfileSize;
  int64_t bufferSpace64;
  int64_t maxSpace64;
  char reserved[46];
};
#pragma pack(pop)

// The entry point every filter module exports.
using PluginMainProc = void (*)(int16 selector, void* record, intptr_t* data, int16* result);

// --- layout checks: (record, field, offset on x86, offset on x64) ---
constexpr bool kIs64 = sizeof(void*) == 8;
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);

#define LUMBRA_HOST_SIZE(type, x86, x64) static_assert(sizeof(type) == (kIs64 ? (x64) : (x86)), #type)
#define LUMBRA_HOST_FIELD(type, field, x86, x64) \
  static_assert(offsetof(type, field) == (kIs64 ? (x64) : (x86)), #type "::" #field)

LUMBRA_HOST_SIZE(AboutRecord, 256, 272);
LUMBRA_HOST_FIELD(AboutRecord, platformData, 0, 0);
LUMBRA_HOST_FIELD(AboutRecord, sSPBasic, 4, 8);
LUMBRA_HOST_SIZE(PlatformData, 4, 8);

LUMBRA_HOST_SIZE(FilterRecord, 488, 608);
LUMBRA_HOST_FIELD(FilterRecord, abortProc, 4, 4);
LUMBRA_HOST_FIELD(FilterRecord, progressProc, 8, 12);
LUMBRA_HOST_FIELD(FilterRecord, parameters, 12, 20);
LUMBRA_HOST_FIELD(FilterRecord, filterRect, 22, 34);
LUMBRA_HOST_FIELD(FilterRecord, maxSpace, 44, 56);
LUMBRA_HOST_FIELD(FilterRecord, bufferSpace, 48, 60);
LUMBRA_HOST_FIELD(FilterRecord, inRect, 52, 64);
LUMBRA_HOST_FIELD(FilterRecord, inLoPlane, 60, 72);
LUMBRA_HOST_FIELD(FilterRecord, inHiPlane, 62, 74);
LUMBRA_HOST_FIELD(FilterRecord, outRect, 64, 76);
LUMBRA_HOST_FIELD(FilterRecord, outLoPlane, 72, 84);
LUMBRA_HOST_FIELD(FilterRecord, outHiPlane, 74, 86);
LUMBRA_HOST_FIELD(FilterRecord, inData, 76, 88);
LUMBRA_HOST_FIELD(FilterRecord, inRowBytes, 80, 96);
LUMBRA_HOST_FIELD(FilterRecord, outData, 84, 100);
LUMBRA_HOST_FIELD(FilterRecord, outRowBytes, 88, 108);
LUMBRA_HOST_FIELD(FilterRecord, haveMask, 93, 113);
LUMBRA_HOST_FIELD(FilterRecord, maskRect, 96, 116);
LUMBRA_HOST_FIELD(FilterRecord, maskData, 104, 124);
LUMBRA_HOST_FIELD(FilterRecord, maskRowBytes, 108, 132);
LUMBRA_HOST_FIELD(FilterRecord, hostSig, 120, 144);
LUMBRA_HOST_FIELD(FilterRecord, imageMode, 128, 156);
LUMBRA_HOST_FIELD(FilterRecord, monitor, 148, 176);
LUMBRA_HOST_FIELD(FilterRecord, platformData, 188, 216);
LUMBRA_HOST_FIELD(FilterRecord, handleProcs, 208, 256);
LUMBRA_HOST_FIELD(FilterRecord, advanceState, 224, 280);
LUMBRA_HOST_FIELD(FilterRecord, colorServices, 256, 320);
LUMBRA_HOST_FIELD(FilterRecord, inLayerPlanes, 260, 328);
LUMBRA_HOST_FIELD(FilterRecord, inTransparencyMask, 262, 330);
LUMBRA_HOST_FIELD(FilterRecord, inNonLayerPlanes, 268, 336);
LUMBRA_HOST_FIELD(FilterRecord, outLayerPlanes, 270, 338);
LUMBRA_HOST_FIELD(FilterRecord, outTransparencyMask, 272, 340);
LUMBRA_HOST_FIELD(FilterRecord, inColumnBytes, 300, 368);
LUMBRA_HOST_FIELD(FilterRecord, outColumnBytes, 308, 376);
LUMBRA_HOST_FIELD(FilterRecord, descriptorParameters, 356, 432);
LUMBRA_HOST_FIELD(FilterRecord, documentInfo, 368, 456);
LUMBRA_HOST_FIELD(FilterRecord, sSPBasic, 372, 464);
LUMBRA_HOST_FIELD(FilterRecord, depth, 380, 480);
LUMBRA_HOST_FIELD(FilterRecord, bigDocumentData, 400, 504);
LUMBRA_HOST_FIELD(FilterRecord, bufferSpace64, 424, 544);
LUMBRA_HOST_FIELD(FilterRecord, maxSpace64, 432, 552);
LUMBRA_HOST_FIELD(FilterRecord, reserved, 440, 560);
static_assert(sizeof(PlugInMonitor) == 40);
static_assert(sizeof(BigDocumentStruct) == 92 && offsetof(BigDocumentStruct, filterRect32) == 12 &&
              offsetof(BigDocumentStruct, maskRect32) == 60);

LUMBRA_HOST_SIZE(HandleProcs, 36, 72);
LUMBRA_HOST_FIELD(HandleProcs, newProc, 4, 8);
LUMBRA_HOST_FIELD(HandleProcs, disposeProc, 8, 16);
LUMBRA_HOST_FIELD(HandleProcs, lockProc, 20, 40);
LUMBRA_HOST_FIELD(HandleProcs, unlockProc, 24, 48);

LUMBRA_HOST_SIZE(ColorServicesInfo, 36, 56);
LUMBRA_HOST_FIELD(ColorServicesInfo, selector, 4, 4);
LUMBRA_HOST_FIELD(ColorServicesInfo, sourceSpace, 6, 6);
LUMBRA_HOST_FIELD(ColorServicesInfo, resultSpace, 8, 8);
LUMBRA_HOST_FIELD(ColorServicesInfo, reservedSourceSpaceInfo, 12, 16);
LUMBRA_HOST_FIELD(ColorServicesInfo, reservedResultSpaceInfo, 16, 24);
LUMBRA_HOST_FIELD(ColorServicesInfo, colorComponents, 20, 32);
LUMBRA_HOST_FIELD(ColorServicesInfo, reserved, 28, 40);
LUMBRA_HOST_FIELD(ColorServicesInfo, selectorParameter, 32, 48);

LUMBRA_HOST_SIZE(PIDescriptorParameters, 20, 32);
LUMBRA_HOST_FIELD(PIDescriptorParameters, recordInfo, 4, 4);
LUMBRA_HOST_FIELD(PIDescriptorParameters, descriptor, 8, 8);
LUMBRA_HOST_FIELD(PIDescriptorParameters, writeDescriptorProcs, 12, 16);
LUMBRA_HOST_FIELD(PIDescriptorParameters, readDescriptorProcs, 16, 24);

LUMBRA_HOST_SIZE(WriteDescriptorProcs, 68, 136);
LUMBRA_HOST_FIELD(WriteDescriptorProcs, openWriteDescriptorProc, 4, 8);
LUMBRA_HOST_FIELD(WriteDescriptorProcs, closeWriteDescriptorProc, 8, 16);
LUMBRA_HOST_FIELD(WriteDescriptorProcs, putStringProc, 56, 112);

LUMBRA_HOST_SIZE(ReadDescriptorProcs, 76, 152);
LUMBRA_HOST_FIELD(ReadDescriptorProcs, openReadDescriptorProc, 4, 8);
LUMBRA_HOST_FIELD(ReadDescriptorProcs, closeReadDescriptorProc, 8, 16);
LUMBRA_HOST_FIELD(ReadDescriptorProcs, getKeyProc, 12, 24);
LUMBRA_HOST_FIELD(ReadDescriptorProcs, getStringProc, 60, 120);

LUMBRA_HOST_SIZE(SPBasicSuite, 28, 56);
LUMBRA_HOST_FIELD(SPBasicSuite, AcquireSuite, 0, 0);
LUMBRA_HOST_FIELD(SPBasicSuite, ReleaseSuite, 4, 8);

LUMBRA_HOST_SIZE(PSChannelPortsSuite1, 88, 176);
LUMBRA_HOST_FIELD(PSChannelPortsSuite1, CanRead, 28, 56);
LUMBRA_HOST_FIELD(PSChannelPortsSuite1, ReadPixelsFromLevel, 36, 72);

LUMBRA_HOST_SIZE(PixelMemoryDesc, 20, 24);
LUMBRA_HOST_FIELD(PixelMemoryDesc, rowBits, 4, 8);
LUMBRA_HOST_FIELD(PixelMemoryDesc, colBits, 8, 12);
LUMBRA_HOST_FIELD(PixelMemoryDesc, bitOffset, 12, 16);
LUMBRA_HOST_FIELD(PixelMemoryDesc, depth, 16, 20);

LUMBRA_HOST_SIZE(ReadChannelDesc, 96, 128);
LUMBRA_HOST_FIELD(ReadChannelDesc, next, 8, 8);
LUMBRA_HOST_FIELD(ReadChannelDesc, port, 12, 16);
LUMBRA_HOST_FIELD(ReadChannelDesc, bounds, 16, 24);
LUMBRA_HOST_FIELD(ReadChannelDesc, depth, 32, 40);
LUMBRA_HOST_FIELD(ReadChannelDesc, name, 60, 72);
LUMBRA_HOST_FIELD(ReadChannelDesc, limitBounds, 80, 108);

LUMBRA_HOST_SIZE(ReadImageDocumentDesc, 884, 944);
LUMBRA_HOST_FIELD(ReadImageDocumentDesc, targetCompositeChannels, 808, 808);
LUMBRA_HOST_FIELD(ReadImageDocumentDesc, mergedCompositeChannels, 820, 832);
LUMBRA_HOST_FIELD(ReadImageDocumentDesc, mergedTransparency, 824, 840);
LUMBRA_HOST_FIELD(ReadImageDocumentDesc, alphaChannels, 828, 848);
LUMBRA_HOST_FIELD(ReadImageDocumentDesc, documentType, 844, 880);
LUMBRA_HOST_FIELD(ReadImageDocumentDesc, fileSpecX, 880, 936);

#undef LUMBRA_HOST_SIZE
#undef LUMBRA_HOST_FIELD

}  // namespace lumbra::host
