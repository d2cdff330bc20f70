// TEventProperty: the display properties of one event (icon, colours, voice,
// switches), shared with hosts. Hosts read the fields directly and call the
// virtual operations by slot, so field order and slot order are fixed.
#pragma once

#include <cstdint>
#include <string>

#include "eventmanager/bitmap.h"

namespace pugi { class xml_node; }
class TEventPropertyList;

class TEventProperty {
 public:
  bool Modified = false;
  bool Used = false;
  bool DrawInMap = true;
  bool DrawInGraph = true;
  bool Display = true;
  bool PlayVoice = true;
  int32_t BackColor = 16777215;  // Windows colour: red in the lowest byte
  int32_t FontColor = 0;
  const TBitmap* Bitmap = nullptr;  // held by the library's bitmap cache
  std::string BitmapFile;
  std::string VoiceText;
  std::string EventName;
  int32_t Index = -1;

  virtual void GetVoiceText(std::string& text) = 0;                 // slot 0
  virtual void GetBitmapPath(std::string& path) = 0;                // slot 1
  virtual bool HasBitmap() = 0;                                     // slot 2
  virtual void SetVoiceText(const std::string& text) = 0;           // slot 3
  virtual void SetBitmapFile(const std::string& file) = 0;          // slot 4
  virtual void SetDrawInMap(bool flag) = 0;                         // slot 5
  virtual void SetDrawInGraph(bool flag) = 0;                       // slot 6
  virtual void SetPlayVoice(bool flag) = 0;                         // slot 7
  virtual void SetDisplay(bool flag) = 0;                           // slot 8
  virtual void SetBackColor(int32_t colour) = 0;                    // slot 9
  virtual void SetFontColor(int32_t colour) = 0;                    // slot 10
  virtual void Assign(TEventProperty* source) = 0;                  // slot 11
  virtual TEventProperty* Clone(TEventPropertyList* owner) = 0;     // slot 12
  virtual void LoadFromNode(pugi::xml_node element) = 0;            // slot 13
  virtual void SaveToNode(pugi::xml_node element) = 0;              // slot 14
  virtual ~TEventProperty() = default;
};
