// The toolkit's controls: the base of every window of a form, the
// multi-line text box, the push button, the label and the image, with the colours and the font
// they are drawn with. A form makes its controls from its form stream by
// their class names (Forms.h), through the class registry, where the
// application object registers the toolkit's control classes. Their windows
// exist from the form's handle creation on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Core/Classes.h"
#include "runtime/Core/Object.h"
#include "runtime/Core/Set.h"
#include "runtime/Toolkit/FormStream.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"

namespace Rtl {

class TForm;

// A help context: the number that a control, a form or a menu item carries
// to name its help topic; 0 for none. The application's help request hands
// it to its handler (Forms.h).
using THelpContext = std::int32_t;

// A colour: 0x00BBGGRR, or a system colour as SYSTEM_COLOR_C | its index.
using TColor = std::int32_t;
inline constexpr TColor SYSTEM_COLOR_C = static_cast<TColor>(0xFF000000u);
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = SYSTEM_COLOR_C | 5;       // COLOR_WINDOW
inline constexpr TColor clWindowText = SYSTEM_COLOR_C | 8;   // COLOR_WINDOWTEXT
inline constexpr TColor clBtnFace = SYSTEM_COLOR_C | 15;     // COLOR_BTNFACE
inline constexpr TColor clBtnText = SYSTEM_COLOR_C | 18;     // COLOR_BTNTEXT

// The colour's RGB value now (system colours looked up).
std::uint32_t ColorToRGB(TColor color);
// A colour by its identifier in a form stream (clBtnFace, ...); false for
// an unknown one.
bool IdentToColor(const std::wstring& ident, TColor& color);

// A GDI object (font, brush) that is deleted with its owner.
class TGdiObject {
public:
  TGdiObject() = default;
  explicit TGdiObject(THandle handle) : FHandle(handle) {}
  ~TGdiObject();
  TGdiObject(TGdiObject&& other) noexcept : FHandle(other.FHandle) { other.FHandle = 0; }
  TGdiObject& operator=(TGdiObject&& other) noexcept;
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  THandle Handle() const { return FHandle; }

private:
  THandle FHandle = 0;
};

enum TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
RTL_ENUM_INFO(TFontStyle, L"fsBold", L"fsItalic", L"fsUnderline", L"fsStrikeOut")
using TFontStyles = TSet<TFontStyle, fsStrikeOut>;

// A form's font; its handle is made when first asked for.
class TFont {
public:
  std::wstring Name = L"Tahoma";
  int Height = -11;  // negative: the character height in pixels
  TColor Color = clWindowText;
  std::uint8_t Charset = 1;  // DEFAULT_CHARSET
  TFontStyles Style;

  THandle Handle();
  // Reads "Name", "Height", "Color", "Charset" or "Style" (the part after
  // "Font."); false for another name.
  bool ReadProperty(const std::wstring& name, const TFormValue& value);

private:
  TGdiObject FHandle;
};

// The base of every control and of the form itself.
class TControl : public TObject {
  RTL_CLASS(TControl, TObject)
public:
  TControl() = default;
  ~TControl() override;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::wstring& Name() const { return FName; }
  TForm* Owner() const { return FOwner; }
  THandle Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != 0; }

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetBounds(int left, int top, int width, int height);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool Visible() const { return FVisible; }
  int TabOrder() const { return FTabOrder; }
  bool TabStop() const { return FTabStop; }
  TColor Color() const { return FColor; }
  THelpContext HelpContext() const { return FHelpContext; }
  void SetHelpContext(THelpContext value) { FHelpContext = value; }

protected:
  friend class TForm;

  // Reads one property of the control's object in the form stream; false
  // for a name the control doesn't have. A value of the wrong kind raises
  // EReadError "Invalid property value".
  virtual bool ReadProperty(const std::wstring& name, const TFormValue& value);
  // The window class and styles of the control's window.
  virtual const wchar_t* WindowClass() const = 0;
  virtual std::uint32_t Style() const;
  virtual std::uint32_t ExStyle() const { return 0; }
  virtual const std::wstring& WindowText() const;
  // Creates the window as a child of the owner's window, with its font.
  virtual void CreateHandle(THandle parent, int id, THandle font);
  // A notification of the window to its parent (WM_COMMAND).
  virtual void Command(int /*code*/) {}
  // The brush (and text colours set on `dc`) that the window's background
  // is painted with.
  virtual THandle ColorBrush(THandle dc);
  // Scales position and size from one resolution to another.
  virtual void ScaleBy(int multiplier, int divisor);
  // The window has been moved or sized (SetBounds).
  virtual void BoundsChanged() {}

  std::wstring FName;
  TForm* FOwner = nullptr;
  THandle FHandle = 0;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  bool FEnabled = true;
  bool FVisible = true;
  int FTabOrder = -1;
  bool FTabStop = false;
  TColor FColor = clBtnFace;
  THelpContext FHelpContext = 0;

private:
  TGdiObject FBrush;
  TColor FBrushColor = 0;
};

// The lines of a memo. The memo keeps them itself: an edit window can't
// tell an empty text from one empty line.
class TMemoLines {
public:
  int Count() const { return static_cast<int>(FLines.size()); }
  // EStringListError "List index out of bounds (%d)" outside 0..Count-1.
  const std::wstring& Strings(int index) const;
  const std::wstring& operator[](int index) const { return Strings(index); }
  // Appends a line (it may be empty); returns its index.
  int Add(const std::wstring& line);
  void Clear();
  // All lines joined with CR LF.
  std::wstring Text() const;

private:
  friend class TMemo;
  explicit TMemoLines(class TMemo& memo) : FMemo(memo) {}
  TMemo& FMemo;
  std::vector<std::wstring> FLines;
};

// The scroll bars of a memo: none, always the ones named, or
// (ssAutoVertical) a vertical bar only while the lines don't fit.
enum TScrollStyle : std::uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth, ssAutoVertical };
RTL_ENUM_INFO(TScrollStyle, L"ssNone", L"ssHorizontal", L"ssVertical", L"ssBoth", L"ssAutoVertical")

// A multi-line text box.
class TMemo : public TControl {
  RTL_CLASS(TMemo, TControl)
public:
  TMemo();
  TMemoLines& Lines() { return FLines; }
  const TMemoLines& Lines() const { return FLines; }
  bool ReadOnly() const { return FReadOnly; }

protected:
  bool ReadProperty(const std::wstring& name, const TFormValue& value) override;
  const wchar_t* WindowClass() const override;
  std::uint32_t Style() const override;
  std::uint32_t ExStyle() const override;
  void CreateHandle(THandle parent, int id, THandle font) override;
  void BoundsChanged() override;

private:
  friend class TMemoLines;
  void LineAdded();
  void UpdateText();
  // With ssAutoVertical: shows the vertical bar exactly when the lines
  // don't fit without it.
  void UpdateScrollBars();
  bool LinesOverflow() const;

  TMemoLines FLines{*this};
  bool FReadOnly = false;
  bool FWordWrap = true;
  TScrollStyle FScrollBars = ssNone;
  bool FVerticalBarShown = false;  // by UpdateScrollBars
};

// A push button; an "&" in its caption marks the accelerator key.
class TButton : public TControl {
  RTL_CLASS(TButton, TControl)
public:
  TButton();
  const std::wstring& Caption() const { return FCaption; }
  void SetCaption(const std::wstring& value);
  TNotifyEvent OnClick;
  // Fires OnClick, as a click of the user does.
  void Click();

protected:
  bool ReadProperty(const std::wstring& name, const TFormValue& value) override;
  const wchar_t* WindowClass() const override;
  std::uint32_t Style() const override;
  const std::wstring& WindowText() const override { return FCaption; }
  void Command(int code) override;

private:
  std::wstring FCaption;
};

// A text on the form; words wrap at its width unless WordWrap is off. An
// "&" is shown as it is.
class TLabel : public TControl {
  RTL_CLASS(TLabel, TControl)
public:
  TLabel() = default;
  const std::wstring& Caption() const { return FCaption; }
  void SetCaption(const std::wstring& value);

protected:
  bool ReadProperty(const std::wstring& name, const TFormValue& value) override;
  const wchar_t* WindowClass() const override;
  std::uint32_t Style() const override;
  const std::wstring& WindowText() const override { return FCaption; }

private:
  std::wstring FCaption;
  bool FWordWrap = true;
};

// The system's icons that a TImage shows.
enum TSystemIcon : std::uint8_t { siNone, siWarning, siError, siInformation, siQuestion };
RTL_ENUM_INFO(TSystemIcon, L"siNone", L"siWarning", L"siError", L"siInformation", L"siQuestion")

// One of the system's icons, drawn at the system's icon size.
class TImage : public TControl {
  RTL_CLASS(TImage, TControl)
public:
  TImage() = default;
  TSystemIcon SystemIcon() const { return FSystemIcon; }
  // The handle of the icon shown (shared by the system, never freed), or 0.
  static THandle SystemIconHandle(TSystemIcon icon);

protected:
  bool ReadProperty(const std::wstring& name, const TFormValue& value) override;
  const wchar_t* WindowClass() const override;
  std::uint32_t Style() const override;
  void CreateHandle(THandle parent, int id, THandle font) override;

private:
  TSystemIcon FSystemIcon = siNone;
};

// The toolkit's control classes, which the application object registers.
inline constexpr const TClass* CONTROL_CLASSES_C[] = {&TMemo::ClassInfo, &TButton::ClassInfo, &TLabel::ClassInfo,
                                                      &TImage::ClassInfo};

// A new control of the registered class named in a form stream;
// EClassNotFound "Class %s not found" for a class that isn't registered,
// EReadError for one that is no control.
std::unique_ptr<TControl> CreateControl(const std::wstring& className);

}  // namespace Rtl
