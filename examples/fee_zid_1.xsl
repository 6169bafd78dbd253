<?xml version="1.0" encoding="windows-1251"?>
<!-- Расчет вознаграждения за доверительное управление: сводная часть и
     детализация по дням, каждая со своей строкой заголовка. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:include href="common.xsl"/>
  <xsl:output method="html" encoding="windows-1251"/>

  <xsl:variable name="title">РАСЧЕТ ВОЗНАГРАЖДЕНИЯ ЗА ДОВЕРИТЕЛЬНОЕ УПРАВЛЕНИЕ</xsl:variable>

  <xsl:template match="/report">
    <html>
      <head>
        <title>FEE_ZID_1 <xsl:value-of select="@from"/></title>
        <xsl:call-template name="styles"/>
      </head>
      <body>
        <xsl:call-template name="toolbar"/>
        <table class="report">
          <tr><td colspan="7" class="bank"><xsl:value-of select="@company"/></td></tr>
          <tr><td colspan="7"></td></tr>
          <tr><td colspan="7" class="title"><xsl:value-of select="$title"/></td></tr>
          <tr><td colspan="7" class="subtitle">Часть 1. Сводные данные за период с <xsl:call-template name="date"><xsl:with-param name="iso" select="@from"/></xsl:call-template> по <xsl:call-template name="date"><xsl:with-param name="iso" select="@to"/></xsl:call-template></td></tr>
          <tr><th>№</th><th>Договор</th><th>Учредитель управления</th><th>Средняя СЧА</th><th>Ставка, %</th><th>Дней</th><th>Вознаграждение</th></tr>
          <xsl:for-each select="contract">
            <tr>
              <td class="cell num"><xsl:value-of select="position()"/></td>
              <td class="cell text"><xsl:value-of select="@id"/></td>
              <td class="cell"><xsl:value-of select="@owner"/></td>
              <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="sum(day/@nav) div count(day)"/></xsl:call-template></td>
              <td class="cell num"><xsl:value-of select="format-number(@rate, '0,00', 'ru')"/></td>
              <td class="cell num"><xsl:value-of select="count(day)"/></td>
              <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="sum(day/@fee)"/></xsl:call-template></td>
            </tr>
          </xsl:for-each>
          <tr class="total"><td colspan="6">Итого</td><td class="num"><xsl:call-template name="money"><xsl:with-param name="value" select="sum(contract/day/@fee)"/></xsl:call-template></td></tr>
          <tr><td colspan="7"></td></tr>
          <tr><td colspan="7" class="title"><xsl:value-of select="$title"/></td></tr>
          <tr><td colspan="7" class="subtitle">Часть 2. Расчет по дням</td></tr>
          <tr><th>Дата</th><th>Договор</th><th>Учредитель управления</th><th>СЧА на дату</th><th>Ставка, %</th><th>База, дней</th><th>Вознаграждение</th></tr>
          <xsl:for-each select="contract/day">
            <tr>
              <td class="cell text"><xsl:call-template name="date"><xsl:with-param name="iso" select="@date"/></xsl:call-template></td>
              <td class="cell text"><xsl:value-of select="../@id"/></td>
              <td class="cell"><xsl:value-of select="../@owner"/></td>
              <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@nav"/></xsl:call-template></td>
              <td class="cell num"><xsl:value-of select="format-number(../@rate, '0,00', 'ru')"/></td>
              <td class="cell num">365</td>
              <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@fee"/></xsl:call-template></td>
            </tr>
          </xsl:for-each>
        </table>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
