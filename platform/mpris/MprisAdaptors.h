#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace corvid::mpris {

class MprisService;

// org.mpris.MediaPlayer2: the player as an application.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

  public:
    MprisRootAdaptor(QObject* exported, MprisService& service);

    [[nodiscard]] bool CanQuit() const { return false; }
    [[nodiscard]] bool CanRaise() const { return true; }
    [[nodiscard]] bool HasTrackList() const { return false; }
    [[nodiscard]] QString Identity() const;
    [[nodiscard]] QString DesktopEntry() const;
    // The player opens no URIs: it plays the drive or image it started on.
    [[nodiscard]] QStringList SupportedUriSchemes() const { return {}; }
    [[nodiscard]] QStringList SupportedMimeTypes() const { return {}; }

  public Q_SLOTS:
    void Raise();
    // Closing is the user's, in the window, where unsaved changes are asked about.
    void Quit() {}

  private:
    MprisService& m_service;
};

// org.mpris.MediaPlayer2.Player: the transport, the playing row and the volume.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPlay)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

  public:
    MprisPlayerAdaptor(QObject* exported, MprisService& service);

    [[nodiscard]] QString PlaybackStatus() const;
    // The drive plays at one speed only.
    [[nodiscard]] double Rate() const { return 1.0; }
    void SetRate(double rate) { static_cast<void>(rate); }
    [[nodiscard]] QVariantMap Metadata() const;
    [[nodiscard]] double Volume() const;
    void SetVolume(double volume);
    [[nodiscard]] qlonglong Position() const;
    [[nodiscard]] bool CanGoNext() const;
    [[nodiscard]] bool CanGoPrevious() const;
    [[nodiscard]] bool CanPlay() const;
    [[nodiscard]] bool CanSeek() const;
    [[nodiscard]] bool CanControl() const { return true; }

  public Q_SLOTS:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri) { static_cast<void>(Uri); }

  Q_SIGNALS:
    void Seeked(qlonglong Position);

  private:
    MprisService& m_service;
};

}  // namespace corvid::mpris
