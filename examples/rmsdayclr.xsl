<?xml version="1.0" encoding="windows-1251"?>
<!-- Клиринговые позиции участника за день и расчетный размер риска (РРР)
     по каждой сделке. Данные начинаются с седьмой строки таблицы. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:include href="common.xsl"/>
  <xsl:output method="html" encoding="windows-1251"/>

  <xsl:template match="/report">
    <html>
      <head>
        <title>RMSDAYCLR <xsl:value-of select="@date"/></title>
        <xsl:call-template name="styles"/>
      </head>
      <body>
        <xsl:call-template name="toolbar"/>
        <table class="report">
          <tr><td colspan="18" class="bank"><xsl:value-of select="@bank"/></td></tr>
          <tr><td colspan="18" class="title">Отчет о клиринговых позициях и расчетном размере риска</td></tr>
          <tr><td colspan="18" class="subtitle">за <xsl:call-template name="date"><xsl:with-param name="iso" select="@date"/></xsl:call-template></td></tr>
          <tr><td colspan="4">Участник клиринга:</td><td colspan="14" class="label"><xsl:value-of select="@member"/></td></tr>
          <tr><td colspan="4">Расчетный код:</td><td colspan="14" class="text"><xsl:value-of select="@clearingcode"/></td></tr>
          <tr>
            <th>№</th><th>Дата</th><th>Номер сделки</th><th>Код клиента</th><th>Режим торгов</th><th>ISIN</th>
            <th>Инструмент</th><th>Направление</th><th>Количество</th><th>Ставка риска</th><th>Цена</th>
            <th>Валюта</th><th>Объем сделки</th><th>Обеспечение</th><th>Дата расчетов</th><th>Позиция</th>
            <th>РРР</th><th>Статус</th>
          </tr>
          <xsl:for-each select="deal">
            <tr>
              <td class="cell num"><xsl:value-of select="position()"/></td>
              <td class="cell text"><xsl:call-template name="date"><xsl:with-param name="iso" select="../@date"/></xsl:call-template></td>
              <td class="cell text"><xsl:value-of select="@id"/></td>
              <td class="cell text"><xsl:value-of select="@client"/></td>
              <td class="cell"><xsl:value-of select="@board"/></td>
              <td class="cell text"><xsl:value-of select="@isin"/></td>
              <td class="cell"><xsl:value-of select="@name"/></td>
              <td class="cell"><xsl:value-of select="@side"/></td>
              <td class="cell num"><xsl:value-of select="format-number(@qty, '# ##0', 'ru')"/></td>
              <td class="cell num"><xsl:value-of select="format-number(@riskrate, '0,00000', 'ru')"/></td>
              <td class="cell num"><xsl:value-of select="format-number(@price, '# ##0,00##', 'ru')"/></td>
              <td class="cell"><xsl:value-of select="@currency"/></td>
              <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@volume"/></xsl:call-template></td>
              <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@collateral"/></xsl:call-template></td>
              <td class="cell text"><xsl:call-template name="date"><xsl:with-param name="iso" select="@settle"/></xsl:call-template></td>
              <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@position"/></xsl:call-template></td>
              <td class="cell num"><xsl:value-of select="format-number(@rrr, '# ##0,00000', 'ru')"/></td>
              <td class="cell"><xsl:value-of select="@status"/></td>
            </tr>
          </xsl:for-each>
          <tr class="total">
            <td colspan="16">Итоговый РРР участника</td>
            <td class="num"><xsl:value-of select="format-number(sum(deal[@rrr &gt; 0]/@rrr), '# ##0,00000', 'ru')"/></td>
            <td></td>
          </tr>
        </table>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
