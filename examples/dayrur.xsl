<?xml version="1.0" encoding="windows-1251"?>
<!-- Ежедневный отчет об операциях по счетам клиентов в рублях.
     Один блок на клиента: строка заголовка, дата, клиент (колонка 7), счет,
     остатки и операции за день. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:include href="common.xsl"/>
  <xsl:output method="html" encoding="windows-1251" indent="no"/>

  <xsl:variable name="title">ЕЖЕДНЕВНЫЙ ОТЧЕТ ОБ ОПЕРАЦИЯХ ПО СЧЕТАМ КЛИЕНТОВ В РУБЛЯХ</xsl:variable>

  <xsl:template match="/report">
    <html>
      <head>
        <meta http-equiv="Content-Type" content="text/html; charset=windows-1251"/>
        <title>DAYRUR <xsl:value-of select="@date"/></title>
        <xsl:call-template name="styles"/>
      </head>
      <body>
        <xsl:call-template name="toolbar"/>
        <table class="report">
          <tr><td colspan="10" class="bank"><xsl:value-of select="@bank"/></td></tr>
          <tr><td colspan="10"><xsl:value-of select="@branch"/></td></tr>
          <tr><td colspan="10"></td></tr>
          <xsl:apply-templates select="client"/>
          <tr><td colspan="10"></td></tr>
          <tr><td colspan="10">Ответственный исполнитель: <xsl:value-of select="@executor"/></td></tr>
          <tr><td colspan="10">Отчет сформирован <xsl:value-of select="@created"/></td></tr>
        </table>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="client">
    <xsl:variable name="date"><xsl:call-template name="date"><xsl:with-param name="iso" select="/report/@date"/></xsl:call-template></xsl:variable>
    <tr><td colspan="10" class="title"><xsl:value-of select="$title"/></td></tr>
    <tr><td colspan="10" class="subtitle">за <xsl:value-of select="$date"/></td></tr>
    <tr><td colspan="6" class="label">Клиент:</td><td colspan="4" class="label"><xsl:value-of select="@name"/></td></tr>
    <tr><td colspan="6">Счет:</td><td colspan="4" class="text"><xsl:value-of select="@account"/></td></tr>
    <tr><td colspan="6">ИНН:</td><td colspan="4" class="text"><xsl:value-of select="@inn"/></td></tr>
    <tr><td colspan="7">Входящий остаток</td><td colspan="2" class="num"><xsl:call-template name="money"><xsl:with-param name="value" select="@opening"/></xsl:call-template></td><td></td></tr>
    <tr>
      <th>№ п/п</th><th>Дата</th><th>№ док.</th><th>ВО</th><th>БИК банка</th>
      <th>Счет контрагента</th><th>Контрагент</th><th>Дебет</th><th>Кредит</th><th>Назначение платежа</th>
    </tr>
    <xsl:for-each select="op">
      <tr>
        <td class="cell num"><xsl:value-of select="position()"/></td>
        <td class="cell text"><xsl:call-template name="date"><xsl:with-param name="iso" select="@date"/></xsl:call-template></td>
        <td class="cell text"><xsl:value-of select="@doc"/></td>
        <td class="cell text"><xsl:value-of select="@vo"/></td>
        <td class="cell text"><xsl:value-of select="@bic"/></td>
        <td class="cell text"><xsl:value-of select="@corr"/></td>
        <td class="cell"><xsl:value-of select="@party"/></td>
        <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@debit"/></xsl:call-template></td>
        <td class="cell num"><xsl:call-template name="money"><xsl:with-param name="value" select="@credit"/></xsl:call-template></td>
        <td class="cell"><xsl:value-of select="."/></td>
      </tr>
    </xsl:for-each>
    <tr class="total">
      <td colspan="7">Итого обороты</td>
      <td class="num"><xsl:call-template name="money"><xsl:with-param name="value" select="sum(op/@debit)"/></xsl:call-template></td>
      <td class="num"><xsl:call-template name="money"><xsl:with-param name="value" select="sum(op/@credit)"/></xsl:call-template></td>
      <td></td>
    </tr>
    <tr><td colspan="7">Исходящий остаток</td><td colspan="2" class="num"><xsl:call-template name="money"><xsl:with-param name="value" select="@opening - sum(op/@debit) + sum(op/@credit)"/></xsl:call-template></td><td></td></tr>
    <tr><td colspan="10"></td></tr>
  </xsl:template>
</xsl:stylesheet>
