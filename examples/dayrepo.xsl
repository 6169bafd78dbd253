<?xml version="1.0" encoding="windows-1251"?>
<!-- Ежедневный отчет по сделкам РЕПО: блок на каждого клиента, в колонке 7
     третьей строки блока стоит наименование клиента. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:include href="common.xsl"/>
  <xsl:output method="html" encoding="windows-1251"/>

  <xsl:variable name="title">Ежедневный отчет по сделкам РЕПО</xsl:variable>

  <xsl:template match="/report">
    <html>
      <head>
        <title>DAYREPO <xsl:value-of select="@date"/></title>
        <xsl:call-template name="styles"/>
      </head>
      <body>
        <xsl:call-template name="toolbar"/>
        <table class="report" border="0">
          <tr><td colspan="12" class="bank"><xsl:value-of select="@bank"/></td></tr>
          <tr><td colspan="12">Депозитарий: <xsl:value-of select="@depository"/></td></tr>
          <xsl:apply-templates select="client"/>
        </table>
        <p>Сделки, исполненные после 19:00, включаются в отчет следующего дня.</p>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="client">
    <tr><td colspan="12" class="title"><xsl:value-of select="$title"/></td></tr>
    <tr><td colspan="12" class="subtitle">за <xsl:call-template name="date"><xsl:with-param name="iso" select="/report/@date"/></xsl:call-template></td></tr>
    <tr><td colspan="6" class="label">Клиент:</td><td colspan="6" class="label"><xsl:value-of select="@name"/></td></tr>
    <tr><td colspan="6">Договор на брокерское обслуживание:</td><td colspan="6" class="text"><xsl:value-of select="@contract"/></td></tr>
    <tr>
      <th>№</th><th>Дата сделки</th><th>Номер сделки</th><th>Вид РЕПО</th><th>ISIN</th><th>Ценная бумага</th>
      <th>Контрагент</th><th>Количество, шт.</th><th>Сумма 1 части</th><th>Сумма 2 части</th><th>Ставка, %</th><th>Дата 2 части</th>
    </tr>
    <xsl:for-each select="deal">
      <tr>
        <td class="cell num"><xsl:value-of select="position()"/></td>
        <td class="cell text"><xsl:call-template name="date"><xsl:with-param name="iso" select="@date"/></xsl:call-template></td>
        <td class="cell text"><xsl:value-of select="@id"/></td>
        <td class="cell"><xsl:value-of select="@kind"/></td>
        <td class="cell text"><xsl:value-of select="@isin"/></td>
        <td class="cell"><xsl:value-of select="@security"/></td>
        <td class="cell"><xsl:value-of select="@party"/></td>
        <td class="cell num"><xsl:value-of select="format-number(@qty, '# ##0', 'ru')"/></td>
        <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@sum1"/></xsl:call-template></td>
        <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@sum2"/></xsl:call-template></td>
        <td class="cell num"><xsl:value-of select="format-number(@rate, '0,00', 'ru')"/></td>
        <td class="cell text"><xsl:call-template name="date"><xsl:with-param name="iso" select="@date2"/></xsl:call-template></td>
      </tr>
    </xsl:for-each>
    <tr class="total">
      <td colspan="8">Итого по клиенту</td>
      <td class="num"><xsl:call-template name="money"><xsl:with-param name="value" select="sum(deal/@sum1)"/></xsl:call-template></td>
      <td class="num"><xsl:call-template name="money"><xsl:with-param name="value" select="sum(deal/@sum2)"/></xsl:call-template></td>
      <td colspan="2"></td>
    </tr>
    <tr><td colspan="12"></td></tr>
  </xsl:template>
</xsl:stylesheet>
