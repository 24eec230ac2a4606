// CDlgAbout: the sheet's About page. It shows the program's version information, the translator's
// credit of the current language, the product icon and four links: the product's web page and the
// pages of the call client, the MP3 encoder and the webcam application.
//
// The texts are colour statics and the links hyperlinks (ui/controls), in the page's text colour:
// a link shows blue until it has been opened, then the page's text colour. The links open through
// the sheet's services at the browser's normal size, the product icon maximised. Qt layouts place
// everything, so the page reads at any font size. GUI thread only.
#pragma once

#include <QString>
#include <string>

#include "ui/controls/color_utils.h"
#include "ui/sheet/prop_page.h"

class QLabel;
class CColorStaticST;
class CHyperLink;
class CSheetServices;

class CDlgAbout : public CPropPage {
 public:
  CDlgAbout(CSheetServices& services, QWidget* parent = nullptr);

  std::u16string GetTabTitle() const override;
  void Localize() override;
  void OnSetActive() override;

  // The product's web page for the current language.
  std::u16string ProductAddress();
  static const char16_t* const kCallClientAddress;
  static const char16_t* const kEncoderAddress;
  static const char16_t* const kWebcamAddress;

  // A value of the program's version information; "" when it has none of that name.
  static std::u16string VersionValue(std::u16string_view name);
  // A version as the page shows it: points only, so "3, 0, 0, 1" reads "3.0.0.1".
  static std::u16string DottedVersion(std::u16string_view written);

  // The colour of the page's texts, and of a link once it has been opened.
  COLORREF TextColour() const { return m_textColour; }

  CHyperLink* Description() const { return m_description; }
  CColorStaticST* FileVersion() const { return m_fileVersion; }
  CColorStaticST* Copyright() const { return m_copyright; }
  CColorStaticST* Company() const { return m_company; }
  CColorStaticST* Credit() const { return m_credit; }
  CColorStaticST* ComponentsLabel() const { return m_components; }
  CHyperLink* CallClientLink() const { return m_callClient; }
  CHyperLink* EncoderLink() const { return m_encoder; }
  CHyperLink* WebcamLink() const { return m_webcam; }
  QLabel* Icon() const { return m_icon; }

 private:
  CColorStaticST* MakeText(const QString& text);
  CHyperLink* MakeLink(const QString& text, const std::u16string& address);
  void FillVersionInfo();

  CSheetServices& m_services;
  COLORREF m_textColour;
  QLabel* m_icon;
  CHyperLink* m_description;
  CColorStaticST* m_fileVersion;
  CColorStaticST* m_copyright;
  CColorStaticST* m_writtenBy;
  CColorStaticST* m_company;
  CColorStaticST* m_credit;
  CHyperLink* m_callClient;
  CColorStaticST* m_components;
  CHyperLink* m_encoder;
  CHyperLink* m_webcam;
};
