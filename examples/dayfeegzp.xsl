<?xml version="1.0" encoding="windows-1251"?>
<!-- Расчет вознаграждения управляющей компании за день: ставка в E8,
     стоимость чистых активов в E9, вознаграждение в E10 и H10. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:include href="common.xsl"/>
  <xsl:output method="html" encoding="windows-1251"/>

  <xsl:template match="/report">
    <html>
      <head>
        <title>DAYFEEGZP <xsl:value-of select="@date"/></title>
        <xsl:call-template name="styles"/>
      </head>
      <body>
        <xsl:call-template name="toolbar"/>
        <table class="report">
          <tr><td colspan="8" class="bank"><xsl:value-of select="@company"/></td></tr>
          <tr><td colspan="8" class="title">Ежедневный расчет вознаграждения управляющей компании</td></tr>
          <tr><td colspan="8" class="subtitle">за <xsl:call-template name="date"><xsl:with-param name="iso" select="@date"/></xsl:call-template></td></tr>
          <tr><td colspan="3">Фонд:</td><td colspan="5" class="label"><xsl:value-of select="@fund"/></td></tr>
          <tr><td colspan="3">Правила доверительного управления:</td><td colspan="5"><xsl:value-of select="@rules"/></td></tr>
          <tr><td colspan="8"></td></tr>
          <tr><th>№</th><th colspan="3">Показатель</th><th>Значение</th><th>Ед. изм.</th><th>Дней в году</th><th>Сумма за день</th></tr>
          <tr>
            <td class="cell num">1</td><td class="cell" colspan="3">Ставка вознаграждения</td>
            <td class="cell num"><xsl:value-of select="format-number(@rate, '0,0000', 'ru')"/></td>
            <td class="cell">% годовых</td><td class="cell num"><xsl:value-of select="@days"/></td><td class="cell"></td>
          </tr>
          <tr>
            <td class="cell num">2</td><td class="cell" colspan="3">Среднегодовая стоимость чистых активов</td>
            <td class="cell num"><xsl:value-of select="format-number(@nav, '# ##0,00000', 'ru')"/></td>
            <td class="cell">руб.</td><td class="cell"></td><td class="cell"></td>
          </tr>
          <tr>
            <td class="cell num">3</td><td class="cell" colspan="3">Вознаграждение за день</td>
            <td class="cell num"><xsl:value-of select="format-number(@nav * @rate div 100 div @days, '# ##0,00000', 'ru')"/></td>
            <td class="cell">руб.</td><td class="cell"></td>
            <td class="cell num"><xsl:value-of select="format-number(@nav * @rate div 100 div @days, '# ##0,00000', 'ru')"/></td>
          </tr>
          <tr><td colspan="8"></td></tr>
          <tr><td colspan="8">Специализированный депозитарий: <xsl:value-of select="@custodian"/></td></tr>
        </table>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
