#pragma once

#include <functional>  // function
#include <memory>      // shared_ptr
#include <string>      // string

#include <QObject>

namespace tarvel::detail {

class UrlSchemeRegistry;

/// The application object as the screens see it: probing and opening other applications'
/// URLs, and foreground changes.
///
/// URLs go through the installed `UrlSchemeRegistry`: by default the desktop's GIO registry;
/// tests install their own with `setUrlSchemeRegistry`. Foreground changes follow
/// QGuiApplication::applicationStateChanged: `didBecomeActive` when the application becomes
/// active, `willResignActive` when it stops being active. Main thread only.
class Application : public QObject {
  Q_OBJECT

 public:
  /// The one instance, created on first use and owned by the Qt application object.
  static Application* shared();

  /// True when an installed application handles the scheme of `url`.
  bool canOpenURL(const std::string& url) const;
  /// Asks the application for `url`'s scheme to open it, with its percent-escapes intact.
  /// `completion` runs on the main thread in a later turn of the event loop, with whether the
  /// application was launched (false at once when no application handles the scheme).
  void open(const std::string& url, std::function<void(bool)> completion = {});

  /// Installs the registry; nullptr restores the GIO registry.
  static void setUrlSchemeRegistry(std::shared_ptr<UrlSchemeRegistry> registry);
  static std::shared_ptr<UrlSchemeRegistry> urlSchemeRegistry();

  /// Whether the application is active (in the foreground), as last reported.
  bool isActive() const;
  /// Acts on a state change as if Qt had reported it (tests).
  void applyApplicationState(Qt::ApplicationState state);

 signals:
  void didBecomeActive();
  void willResignActive();

 private:
  explicit Application(QObject* parent);

  bool active_ = true;
};

}  // namespace tarvel::detail
