#include "properties/event_property.h"

#include <filesystem>
#include <memory>
#include <string_view>

#include "eventmanager/outside/utility.h"
#include "platform/xml_file.h"
#include "properties/bmp_decode.h"
#include "properties/event_bitmap_list.h"
#include "properties/icon_files.h"
#include "properties/property_attributes.h"
#include "support/text_trim.h"

namespace {

template <class T>
void setField(TEventProperty& record, T& field, const T& value) {
  if (field == value) return;
  field = value;
  record.Modified = true;
}

}  // namespace

TActEventProperty::TActEventProperty(TEventPropertyList* owner, std::string eventName) : Owner(owner) {
  EventName = std::move(eventName);
  Reset();
}

TActEventProperty::~TActEventProperty() { Reset(); }

void TActEventProperty::Reset() {
  Modified = false;
  Used = false;
  DrawInMap = true;
  DrawInGraph = true;
  Display = true;
  PlayVoice = true;
  BackColor = 16777215;
  FontColor = 0;
  Bitmap = nullptr;
  BitmapFile.clear();
  VoiceText.clear();
  Index = -1;
}

void TActEventProperty::GetVoiceText(std::string& text) {
  std::string_view voice = TrimBlanks(VoiceText);  // tabs and line ends are blanks too
  text = voice.empty() ? EventName : std::string(voice);
}

void TActEventProperty::GetBitmapPath(std::string& path) {
  // Stored names may still carry a Windows directory: only the name counts,
  // and it is found in the icon folder whatever its letter case.
  path = FindFileNoCase(IconDirectory(), IconFileName(BitmapFile), TFileKind::Regular);
}

void TActEventProperty::SetVoiceText(const std::string& text) { setField(*this, VoiceText, text); }

void TActEventProperty::SetBitmapFile(const std::string& file) {
  std::string name = IconFileName(file);
  if (CompText(name, BitmapFile)) return;
  BitmapFile = name;
  Bitmap = nullptr;
  Modified = true;  // the new name is kept even when its icon cannot be decoded
  TEventBitmapList& cache = BitmapCache();
  Bitmap = cache.GetBitmap(cache.LoadBitmap(BitmapPath()));
}

void TActEventProperty::SetDrawInMap(bool flag) { setField(*this, DrawInMap, flag); }
void TActEventProperty::SetDrawInGraph(bool flag) { setField(*this, DrawInGraph, flag); }
void TActEventProperty::SetPlayVoice(bool flag) { setField(*this, PlayVoice, flag); }
void TActEventProperty::SetDisplay(bool flag) { setField(*this, Display, flag); }
void TActEventProperty::SetBackColor(int32_t colour) { setField(*this, BackColor, colour); }
void TActEventProperty::SetFontColor(int32_t colour) { setField(*this, FontColor, colour); }

void TActEventProperty::Assign(TEventProperty* source) {
  if (!source || source == this) return;
  Reset();
  DrawInMap = source->DrawInMap;
  DrawInGraph = source->DrawInGraph;
  Display = source->Display;
  PlayVoice = source->PlayVoice;
  BackColor = source->BackColor;
  FontColor = source->FontColor;
  source->GetVoiceText(VoiceText);
  EventName = source->EventName;
  std::string path;
  source->GetBitmapPath(path);
  SetBitmapFile(path);
  Used = source->Used;
  Modified = source->Modified;
}

TEventProperty* TActEventProperty::Clone(TEventPropertyList* owner) {
  // Held until the copy is complete, so a failing Assign frees it.
  auto copy = std::make_unique<TActEventProperty>(owner);
  copy->Assign(this);
  return copy.release();
}

void TActEventProperty::LoadFromNode(pugi::xml_node element) {
  if (!element) return;
  Reset();
  EventName = ReadTextAttribute(element, "EventName", "");
  try {
    SetBitmapFile(ReadTextAttribute(element, "BitmapFile", BitmapFile));
  } catch (const EBitmapError& e) {
    // An unreadable icon must not cost the user the rest of the file: the
    // record keeps the name without a bitmap and the fault, once per icon,
    // is kept for the host.
    if (!FileIsFaulty(e.File)) RecordFileFault({e.File, 0, e.Reason});
  }
  SetVoiceText(ReadTextAttribute(element, "VoiceText", VoiceText));
  SetFontColor(ReadColourAttribute(element, "FontColor", FontColor));
  SetBackColor(ReadColourAttribute(element, "BackColor", BackColor));
  SetDrawInMap(ReadBoolAttribute(element, "DrawInMap", DrawInMap));
  SetDrawInGraph(ReadBoolAttribute(element, "DrawInGraph", DrawInGraph));
  SetDisplay(ReadBoolAttribute(element, "Display", Display));
  SetPlayVoice(ReadBoolAttribute(element, "PlayVoice", PlayVoice));
  Modified = false;
}

void TActEventProperty::SaveToNode(pugi::xml_node element) {
  if (!element) return;
  auto set = [&](const char* name, const char* value) {
    pugi::xml_attribute a = element.attribute(name);
    (a ? a : element.append_attribute(name)).set_value(value);
  };
  set("EventName", EventName.c_str());
  set("BitmapFile", BitmapFile.c_str());
  set("VoiceText", VoiceText.c_str());
  set("FontColor", std::to_string(FontColor).c_str());
  set("BackColor", std::to_string(BackColor).c_str());
  set("DrawInMap", BoolText(DrawInMap));
  set("DrawInGraph", BoolText(DrawInGraph));
  set("Display", BoolText(Display));
  set("PlayVoice", BoolText(PlayVoice));
  Modified = false;
}
