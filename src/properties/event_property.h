// TActEventProperty: the library's display-property record. It is both the
// host's TEventProperty (first base, so the host's slot table is the primary
// one) and a TObject item of the class-checked property lists. The list that
// holds a record owns it; `Owner` is a plain back reference.
#pragma once

#include <string>

#include "core/object.h"
#include "eventmanager/event_property.h"

class TEventPropertyList;

class TActEventProperty : public TEventProperty, public TObject {
  EM_CLASS(TActEventProperty, TObject)
 public:
  explicit TActEventProperty(TEventPropertyList* owner = nullptr, std::string eventName = {});
  ~TActEventProperty() override;

  TEventPropertyList* Owner;

  void GetVoiceText(std::string& text) override;
  void GetBitmapPath(std::string& path) override;
  bool HasBitmap() override { return Bitmap != nullptr; }
  void SetVoiceText(const std::string& text) override;
  void SetBitmapFile(const std::string& file) override;
  void SetDrawInMap(bool flag) override;
  void SetDrawInGraph(bool flag) override;
  void SetPlayVoice(bool flag) override;
  void SetDisplay(bool flag) override;
  void SetBackColor(int32_t colour) override;
  void SetFontColor(int32_t colour) override;
  void Assign(TEventProperty* source) override;
  TEventProperty* Clone(TEventPropertyList* owner) override;
  // Raises EConvertError (an EPropertyAttributeError) for an attribute that
  // does not convert; an icon that cannot be decoded is recorded as a fault
  // of that icon file and leaves the record without a bitmap.
  void LoadFromNode(pugi::xml_node element) override;
  void SaveToNode(pugi::xml_node element) override;

  // Back to the defaults; EventName and Owner stay.
  void Reset();

  std::string VoiceTextOrName() { std::string t; GetVoiceText(t); return t; }
  std::string BitmapPath() { std::string p; GetBitmapPath(p); return p; }
};
