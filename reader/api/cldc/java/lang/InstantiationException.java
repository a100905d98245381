// InstantiationException.java - CLDC 1.0, signatures only.
package java.lang;

public class InstantiationException extends Exception {
    public InstantiationException() {}
    public InstantiationException(String s) {}
}
