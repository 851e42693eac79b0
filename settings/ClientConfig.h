#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct ClientConfigPrivate;

/// Product identity read from the product data file "config.data".
class CVSETTINGS_EXPORT ClientConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString version READ version WRITE setVersion NOTIFY versionChanged)
    Q_PROPERTY(QString groupName READ groupName WRITE setGroupName NOTIFY groupNameChanged)
    Q_PROPERTY(QString productName READ productName WRITE setProductName NOTIFY productNameChanged)
    Q_PROPERTY(qlonglong buildNum READ buildNum WRITE setBuildNum NOTIFY buildNumChanged)
    Q_PROPERTY(int productSeries READ productSeries WRITE setProductSeries NOTIFY productSeriesChanged)
    Q_PROPERTY(QString productId READ productId WRITE setProductId NOTIFY productIdChanged)
    Q_PROPERTY(int clientType READ clientType WRITE setClientType NOTIFY clientTypeChanged)
    Q_PROPERTY(int terminalType READ terminalType WRITE setTerminalType NOTIFY terminalTypeChanged)
    Q_PROPERTY(int clientMode READ clientMode WRITE setClientMode NOTIFY clientModeChanged)
    Q_PROPERTY(int paltform READ paltform WRITE setPaltform NOTIFY paltformChanged)
    Q_PROPERTY(int maxVideoWidth READ maxVideoWidth WRITE setMaxVideoWidth NOTIFY maxVideoWidthChanged)
    Q_PROPERTY(int maxVideoHeight READ maxVideoHeight WRITE setMaxVideoHeight NOTIFY maxVideoHeightChanged)
    Q_PROPERTY(int maxVideoFramerate READ maxVideoFramerate WRITE setMaxVideoFramerate NOTIFY maxVideoFramerateChanged)
    Q_PROPERTY(int maxVideoBitrate READ maxVideoBitrate WRITE setMaxVideoBitrate NOTIFY maxVideoBitrateChanged)
    Q_PROPERTY(int maxMediaBitrate READ maxMediaBitrate WRITE setMaxMediaBitrate NOTIFY maxMediaBitrateChanged)

public:
    explicit ClientConfig(QObject* parent = nullptr);
    ClientConfig(const ClientConfig& other);
    ClientConfig& operator=(const ClientConfig& other);
    ~ClientConfig() override;

    const QString& version() const;
    const QString& groupName() const;
    const QString& productName() const;
    qlonglong buildNum() const;
    int productSeries() const;
    const QString& productId() const;
    int clientType() const;
    int terminalType() const;
    int clientMode() const;
    int paltform() const;
    // The media limits have no storage: they read as 0 and ignore writes.
    int maxVideoWidth() const;
    int maxVideoHeight() const;
    int maxVideoFramerate() const;
    int maxVideoBitrate() const;
    int maxMediaBitrate() const;

    void setVersion(const QString& version);
    void setGroupName(const QString& groupName);
    void setProductName(const QString& productName);
    void setBuildNum(qlonglong buildNum);
    void setProductSeries(int productSeries);
    void setProductId(const QString& productId);
    void setClientType(int clientType);
    void setTerminalType(int terminalType);
    void setClientMode(int clientMode);
    void setPaltform(int paltform);
    void setMaxVideoWidth(int maxVideoWidth);
    void setMaxVideoHeight(int maxVideoHeight);
    void setMaxVideoFramerate(int maxVideoFramerate);
    void setMaxVideoBitrate(int maxVideoBitrate);
    void setMaxMediaBitrate(int maxMediaBitrate);

signals:
    void versionChanged(const QString& version);
    void groupNameChanged(const QString& groupName);
    void productNameChanged(const QString& productName);
    void buildNumChanged(qlonglong buildNum);
    void productSeriesChanged(int productSeries);
    void productIdChanged(const QString& productId);
    void clientTypeChanged(int clientType);
    void terminalTypeChanged(int terminalType);
    void clientModeChanged(int clientMode);
    void paltformChanged(int paltform);
    void maxVideoWidthChanged(int maxVideoWidth);
    void maxVideoHeightChanged(int maxVideoHeight);
    void maxVideoFramerateChanged(int maxVideoFramerate);
    void maxVideoBitrateChanged(int maxVideoBitrate);
    void maxMediaBitrateChanged(int maxMediaBitrate);

private:
    ClientConfigPrivate* const d;
};
